// CONNECT / DISCONNECT, the identification time-out and the port search, on the fake clock.

#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;
using orv::link::kNoOrvantis;
using orv::platform::SocketFailure;
using orv::platform::SocketState;

const std::string kNone = kNoOrvantis;

struct Connect : ::testing::Test {
    Rig r;
    void SetUp() override {
        r.ports.ports = {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/3"}, {10, "/dev/ttyUSB9"}};
        r.stored("Orvantis", "CommBaud", "9600");
        r.program.start();
    }
    void press() { r.main.connect_button.click(); }
    void connect(const std::string& entry) {
        r.main.port_list.set_text(entry);
        press();
    }
    void tcp(const char* address, const char* port) {
        r.settings.ip_address.set_text(address);
        r.settings.ip_port.set_text(port);
        r.main.port_list.set_text("TCP Port");
    }
    void list_com1_com3() {
        r.main.port_list.clear_items();
        for (auto* e : {"COM1", "COM3", "Search COM", "TCP Port"}) r.main.port_list.add_item(e);
    }
    const std::string& caption() { return r.main.connect_button.caption(); }
    // The PORT list's text, the caption, " open" while the serial port is open, " asking" while
    // an answer is awaited, " searching" during a search, then since the last look each write
    // as " device:bytes" and each message after " ! ".
    std::string look() {
        std::string out = r.main.port_list.text() + ": " + caption() +
                          (r.serial.is_open() ? " open" : "") +
                          (r.program.identify_timer->active() ? " asking" : "") +
                          (r.main.state.search_com_mode ? " searching" : "");
        for (const auto& [device, bytes] : std::exchange(r.serial.writes, {}))
            out += " " + device + ":" + bytes;
        for (const auto& m : r.said()) out += " ! " + m;
        return out;
    }
    // The messages of a failed TCP connect, with time to tell another after it.
    Texts told() {
        r.clock.advance(2 * orv::link::kSocketConnectTimeoutMs);
        return r.said();
    }
};

TEST_F(Connect, ASilentComPortGetsGVnThenGVNThenIsGivenUpAfterTwoSeconds) {
    r.main.state.bootmode = true;  // e.g. just after programming
    connect("COM10");
    EXPECT_EQ(r.serial.opened_line.baud, 9600);
    EXPECT_FALSE(r.main.state.bootmode);
    EXPECT_EQ(look(), "COM10: DISCONNECT open asking /dev/ttyUSB9:GVn#");
    r.clock.advance(999);
    EXPECT_EQ(look(), "COM10: DISCONNECT open asking");
    r.clock.advance(1);
    EXPECT_EQ(look(), "COM10: DISCONNECT open asking /dev/ttyUSB9:GVN#");
    EXPECT_TRUE(r.main.state.do_firmware);
    r.clock.advance(1000);
    EXPECT_EQ(look(), "COM10: CONNECT ! " + kNone +
                          "\nCOM10 was asked at 9600 baud. The Orvantis answers only at the rate "
                          "set on it (9600, 19200, 38400 or 57600): choose another in Port "
                          "Settings, or try \"Search COM\" in case it is on another port.");
    r.clock.advance(10000);
    EXPECT_EQ(look(), "COM10: CONNECT");
}

TEST_F(Connect, SearchTriesEachPortTwoSecondsAndStopsAtTheOneThatAnswers) {
    r.ports.ports = {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/3"}};
    list_com1_com3();
    connect("Search COM");
    EXPECT_EQ(look(), "COM1: DISCONNECT open asking searching /dev/ttyUSB0:GVn#");
    r.serial.arrive("\xf0");  // noise on COM1 must not lead COM3's answer
    r.clock.advance(2000);
    // Nothing found yet: Read Settings stays off.
    EXPECT_EQ(look() + " " + enabled(r.main.read_settings),
              "COM3: DISCONNECT open asking searching /dev/ttyUSB0:GVN# /dev/pts/3:GVn# off");
    r.serial.arrive("11.1#");  // a first-generation box is announced only when searched for
    EXPECT_EQ(r.dialogs.shown.at(0).title + " " + enabled(r.main.read_settings), "Too Easy.. on");
    r.clock.advance(5000);
    EXPECT_EQ(look(), "COM3: DISCONNECT open ! Orvantis found on COM3");
    // Each port is closed before the next is opened.
    Texts events;
    for (const auto& e : r.program.traffic.entries())
        if (e.kind == orv::link::TrafficEntry::Kind::Event) events.push_back(e.text);
    EXPECT_EQ(events, (Texts{"opened COM1 (/dev/ttyUSB0) at 9600,N,8,1", "closed",
                             "opened COM3 (/dev/pts/3) at 9600,N,8,1"}));
}

TEST_F(Connect, ASearchEndsWithOneMessageAfterItsLastPortOrAtAnAnswerItCannotTake) {
    list_com1_com3();
    r.serial.refuse_path["/dev/ttyUSB0"] = "busy";  // counts as a port that does not answer
    connect("Search COM");
    r.clock.advance(2000);
    EXPECT_EQ(look(), "Search COM: CONNECT /dev/pts/3:GVn# /dev/pts/3:GVN# ! " + kNone);
    r.serial.refuse_path.clear();
    press();  // a second press searches again: a box of a newer firmware answers on COM1
    EXPECT_EQ(r.main.port_list.text(), "COM1");
    r.serial.arrive("9.99#");
    r.clock.advance(4000);
    EXPECT_EQ(std::exchange(r.serial.writes, {}).size(), 1u);  // COM3 not asked
    EXPECT_PRED2(messages_hold, r.said(), (Texts{"Future firmware version!", kNoOrvantis}));

    // DISCONNECT during a search ends it with "Search COM" shown again, and nothing said.
    connect("Search COM");
    r.clock.advance(1000);
    press();
    r.clock.advance(10000);
    EXPECT_EQ(look(), "Search COM: CONNECT /dev/ttyUSB0:GVn# /dev/ttyUSB0:GVN#");
}

// Another program that has the port open too may take the Orvantis's answers: a search leaves
// such a port alone and says so, CONNECT names the program when the box stays silent or the
// port cannot be opened.
TEST_F(Connect, PortsOtherProgramsHaveOpenAreNamedWithThem) {
    r.ports.held[1] = {"minicom (pid 4242)"};
    list_com1_com3();
    connect("Search COM");
    EXPECT_EQ(r.serial.open_count, 1);  // COM1 not tried
    r.clock.advance(2000);
    EXPECT_EQ(look(), "Search COM: CONNECT /dev/pts/3:GVn# /dev/pts/3:GVN# ! " + kNone +
                          "\nNot tried, because another program has them open:"
                          "\nCOM1 is open in minicom (pid 4242)"
                          "\nClose the port in that program, then search again.");
    // Closed there and searched again: COM1 is tried and no longer named.
    r.ports.held.clear();
    connect("Search COM");
    r.clock.advance(4000);
    EXPECT_EQ(r.said(), Texts{kNoOrvantis});

    r.ports.held[1] = {"minicom (pid 4242)"};
    r.ports.held[3] = {"cat (pid 7)", "screen (pid 8)"};
    connect("COM3");  // opened all the same: the user chose it
    EXPECT_EQ(r.serial.opened_path, "/dev/pts/3");
    r.clock.advance(2000);
    EXPECT_PRED2(one_holding, r.said(),
                 "COM3 is open in cat (pid 7) and screen (pid 8) as well, so the Orvantis's "
                 "answers may have gone to that program.");

    r.serial.refuse_path["/dev/ttyUSB0"] = "busy";
    connect("COM1");
    EXPECT_EQ(r.said(),
              Texts{"COM1 (/dev/ttyUSB0) cannot be opened: busy.\nCOM1 is open in minicom (pid "
                    "4242): close it there, then press CONNECT again."});
}

TEST_F(Connect, BadBaudRatesAndPortTextsAreRefusedBeforeAnythingIsSent) {
    for (const char* baud : {"", "fast", "96OO"}) {
        r.settings.baud_box.set_text(baud);
        connect("COM3");
        EXPECT_PRED2(one_holding, r.said(), "baud rate");
        EXPECT_EQ(caption(), "CONNECT");
    }
    r.settings.baud_box.set_text("9600");
    for (const char* entry : {"", "COM7x", "COM", "ABC3"}) {
        connect(entry);
        EXPECT_EQ(r.said().size(), 1u) << entry;
    }
    connect("COM7");  // a stored port that no longer exists
    EXPECT_EQ(look(), "COM7: CONNECT ! COM7 does not exist on this computer.");
    EXPECT_EQ(r.serial.open_count, 0);
}

TEST_F(Connect, TcpConnectsAsynchronouslyAndASecondPressRetries) {
    tcp("127.0.0.1", "4001");
    r.main.state.bootmode = true;
    // The caption, " asking" while an answer is awaited, the status line, what was sent.
    const auto now = [&] {
        return caption() + (r.program.identify_timer->active() ? " asking " : " ") +
               r.main.link_progress.caption() + " [" + std::exchange(r.socket.sent, {}) + "]";
    };
    press();
    EXPECT_FALSE(r.main.state.bootmode);
    EXPECT_EQ(r.socket.host + ":" + std::to_string(r.socket.port) + " " + now(),
              "127.0.0.1:4001 CONNECT Connecting to 127.0.0.1:4001\u2026 []");
    press();  // closes the pending socket and connects again
    EXPECT_EQ(std::to_string(r.socket.connects) + " " + caption(), "2 CONNECT");
    r.socket.accept();
    EXPECT_EQ(r.main.link_progress.accessible_name() + " " + now(),
              "Asking the Orvantis\u2026 DISCONNECT asking Asking the Orvantis\u2026 [GVn#]");
    r.clock.advance(1000);
    EXPECT_EQ(now(), "DISCONNECT asking Asking the Orvantis\u2026 [GVN#]");
    r.clock.advance(1000);
    EXPECT_PRED2(one_holding, r.said(),
                 kNone +
                     "\nThe gateway at 127.0.0.1:4001 took the connection, but no answer "
                     "came through it.");
    EXPECT_EQ(now() + r.serial.written, "CONNECT  []");
    EXPECT_EQ(r.socket.state(), SocketState::Closed);
}

// The advice after "No Orvantis found" is for silence only; the programs that grab adapters are
// named on silence and on a refused open; a slow adapter is told of once per run.
TEST_F(Connect, TheDoctorAdvisesOnSilenceAndTellsOfASlowAdapterOnce) {
    r.ports.grabbing = {"ModemManager (pid 9) is running: stop it."};
    connect("COM3");
    r.clock.advance(2000);
    EXPECT_PRED2(one_holding, r.said(),
                 "on another port.\nModemManager (pid 9) is running: stop it.");
    press();
    r.serial.arrive("\xf0\x0f");  // something at a wrong rate: bytes, but no answer
    r.clock.advance(2000);
    EXPECT_EQ(r.said(), Texts{kNoOrvantis});

    r.serial.refuse_path["/dev/ttyUSB0"] = "permission denied: ask root.";
    connect("COM1");
    EXPECT_EQ(r.said(), Texts{"COM1 (/dev/ttyUSB0) cannot be opened: permission denied: ask "
                              "root.\nModemManager (pid 9) is running: stop it."});

    r.ports.grabbing.clear();
    r.ports.latencies[10] = {16, "/sys/class/tty/ttyUSB9/device/latency_timer"};
    r.ports.latencies[3] = {2, "/sys/class/tty/pts3/device/latency_timer"};
    r.ports.held[3] = {"cu (pid 77)"};  // found all the same: said too
    for (const char* port : {"COM3", "COM10", "COM10"}) {
        connect(port);
        r.serial.arrive("1.20#");
        press();
    }
    // "Orvantis found on ..." each time, and once the slow adapter's advice.
    const Texts shown = r.said();
    EXPECT_PRED2(messages_hold, shown,
                 (Texts{"Orvantis found on COM3",
                        "COM3 is open in cu (pid 77) as well, so some of the Orvantis's replies "
                        "may go to that program instead. Close the port there.",
                        "Orvantis found on COM10",
                        "COM10 is a USB serial adapter that holds short replies for up to 16 ms",
                        "Orvantis found on COM10"}));
    for (const char* part :
         {"about 4 s longer", "echo 1 | sudo tee /sys/class/tty/ttyUSB9/device/latency_timer",
          "ATTR{latency_timer}=\"1\""})
        EXPECT_PRED2(holds, shown.at(3), part);
}

TEST_F(Connect, TcpFailuresNameTheAddressAndTheReasonOnce) {
    tcp("10.0.0.5", "70000");
    press();
    EXPECT_PRED2(one_holding, told(), "70000");
    EXPECT_EQ(r.socket.connects, 0);

    r.settings.ip_port.set_text("23");
    // Each cause the machine tells apart gets its own next step.
    const std::pair<SocketFailure, const char*> steps[] = {
        {SocketFailure::Other, "10.0.0.5:23: Connection refused"},
        {SocketFailure::Refused, "nothing takes connections on port 23"},
        {SocketFailure::NoRoute, "no way to 10.0.0.5"},
        {SocketFailure::UnknownHost, "The name 10.0.0.5 is not known"},
        {SocketFailure::Other, "Check the address and port"},
    };
    for (const auto& [kind, step] : steps) {
        r.socket.failure_kind = kind;
        press();
        r.socket.fail("Connection refused");
        EXPECT_PRED2(one_holding, told(), step);
        EXPECT_EQ(caption(), "CONNECT");
    }
    press();
    EXPECT_PRED2(one_holding, told(), "no answer within 5 seconds");
    EXPECT_EQ(r.socket.state(), SocketState::Closed);
}

TEST_F(Connect, ALostLinkIsReportedOnceAndLeavesTheWindowReadyToConnect) {
    connect("COM3");
    r.serial.arrive("1.20#");
    ASSERT_TRUE(r.main.read_settings.enabled());
    r.dialogs.shown.clear();
    r.serial.lose("the device was removed");
    EXPECT_PRED2(one_holding, r.said(), "COM3 was lost: the device was removed");
    EXPECT_EQ(caption() + " " + enabled(r.main.read_settings, r.main.read_channel),
              "CONNECT off off");

    tcp("127.0.0.1", "23");
    for (const auto kind : {SocketFailure::Other, SocketFailure::TimedOut}) {
        press();
        r.socket.accept();
        r.socket.arrive("1.20#");
        r.socket.failure_kind = kind;
        r.socket.fail("the connection was closed by the other side");
        EXPECT_EQ(caption() + " " + enabled(r.main.read_settings), "CONNECT off");
    }
    // The first: "was lost"; the second, a gateway whose network stopped answering even the
    // socket's own probes.
    EXPECT_PRED2(messages_hold, r.said(),
                 (Texts{"was lost",
                        "The connection to 127.0.0.1:23 was lost: nothing at that address "
                        "answered for 6 seconds, not even its network.\nCheck the gateway's "
                        "power and its cable or Wi-Fi, then press CONNECT."}));
}

}  // namespace
