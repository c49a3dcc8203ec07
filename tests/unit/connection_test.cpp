// CONNECT / DISCONNECT, the identification time-out and the port search, on the fake clock.

#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;
using orv::link::kNoOrvantis;
using orv::platform::SocketFailure;
using orv::platform::SocketState;
using Writes = std::vector<std::pair<std::string, std::string>>;

struct Connect : ::testing::Test {
    Rig r;
    void SetUp() override {
        r.ports.ports = {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/3"}, {10, "/dev/ttyUSB9"}};
        r.stored("Orvantis", "CommBaud", "9600");
        r.program.start();
    }
    void choose(const std::string& entry) { r.main.port_list.set_text(entry); }
    void press() { r.main.connect_button.click(); }
    void connect(const std::string& entry) {
        choose(entry);
        press();
    }
    void tcp(const char* address, const char* port) {
        r.settings.ip_address.set_text(address);
        r.settings.ip_port.set_text(port);
        choose("TCP Port");
    }
    void list(std::initializer_list<const char*> entries) {
        r.main.port_list.clear_items();
        for (auto* e : entries) r.main.port_list.add_item(e);
    }
    const std::string& caption() { return r.main.connect_button.caption(); }
    // The caption, with " open" while the serial port is open and " asking" while an answer
    // is awaited.
    std::string link() {
        return caption() + (r.serial.is_open() ? " open" : "") +
               (r.program.identify_timer->active() ? " asking" : "");
    }
};

TEST_F(Connect, ASilentComPortGetsGVnThenGVNThenIsGivenUpAfterTwoSeconds) {
    choose("COM10");
    r.main.state.bootmode = true;  // e.g. just after programming
    press();
    EXPECT_EQ(r.serial.opened_path, "/dev/ttyUSB9");
    EXPECT_EQ(r.serial.opened_line.baud, 9600);
    EXPECT_FALSE(r.main.state.bootmode);
    EXPECT_EQ(r.serial.written, "GVn#");
    EXPECT_EQ(link(), "DISCONNECT open asking");
    r.clock.advance(999);
    EXPECT_EQ(r.serial.written, "GVn#");
    r.clock.advance(1);
    EXPECT_EQ(r.serial.written, "GVn#GVN#");
    EXPECT_TRUE(r.main.state.do_firmware);
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.clock.advance(1000);
    EXPECT_EQ(r.dialogs.messages(),
              Texts{std::string(kNoOrvantis) +
                    "\nCOM10 was asked at 9600 baud. The Orvantis answers only at the rate set on "
                    "it (9600, 19200, 38400 or 57600): choose another in Port Settings, or try "
                    "\"Search COM\" in case it is on another port."});
    EXPECT_EQ(link(), "CONNECT");
    r.clock.advance(10000);
    EXPECT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_EQ(r.serial.written, "GVn#GVN#");
}

TEST_F(Connect, SearchTriesEachPortTwoSecondsAndStopsAtTheOneThatAnswers) {
    r.ports.ports = {{1, "/dev/ttyUSB0"}, {3, "/dev/pts/3"}};
    list({"COM1", "COM3", "Search COM", "TCP Port"});
    connect("Search COM");
    EXPECT_EQ(r.main.port_list.text(), "COM1");
    r.serial.arrive("\xf0");  // noise on COM1 must not lead COM3's answer
    r.clock.advance(2000);
    // COM1 had GVn# at 0 and GVN# at 1000; at 2000 COM3 is opened and asked.
    EXPECT_EQ(r.serial.writes, (Writes{{"/dev/ttyUSB0", "GVn#"}, {"/dev/ttyUSB0", "GVN#"},
                                       {"/dev/pts/3", "GVn#"}}));
    EXPECT_EQ(r.main.port_list.text(), "COM3");
    EXPECT_EQ(caption(), "DISCONNECT");
    EXPECT_TRUE(r.dialogs.shown.empty());
    EXPECT_FALSE(r.main.read_settings.enabled());  // nothing found yet
    r.serial.arrive("11.1#");  // a first-generation box is announced only when searched for
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].text, "Orvantis found on COM3");
    EXPECT_EQ(r.dialogs.shown[0].title, "Too Easy..");
    EXPECT_FALSE(r.main.state.search_com_mode);
    EXPECT_FALSE(r.program.identify_timer->active());
    EXPECT_TRUE(r.main.read_settings.enabled());
    r.clock.advance(5000);
    EXPECT_EQ(r.serial.writes.size(), 3u);
    // Each port is closed before the next is opened.
    Texts events;
    for (const auto& e : r.program.traffic.entries())
        if (e.kind == orv::link::TrafficEntry::Kind::Event) events.push_back(e.text);
    EXPECT_EQ(events, (Texts{"opened COM1 (/dev/ttyUSB0) at 9600,N,8,1", "closed",
                             "opened COM3 (/dev/pts/3) at 9600,N,8,1"}));
}

TEST_F(Connect, ASearchEndsWithOneMessageAfterItsLastPortOrAtAnAnswerItCannotTake) {
    list({"COM1", "COM3", "Search COM", "TCP Port"});
    r.serial.refuse_path["/dev/ttyUSB0"] = "busy";  // counts as a port that does not answer
    connect("Search COM");
    EXPECT_EQ(r.serial.writes, (Writes{{"/dev/pts/3", "GVn#"}}));
    r.clock.advance(2000);
    EXPECT_EQ(r.said(), Texts{kNoOrvantis});
    EXPECT_EQ(r.main.port_list.text(), "Search COM");
    EXPECT_EQ(caption(), "CONNECT");
    EXPECT_FALSE(r.main.state.search_com_mode);
    r.serial.refuse_path.clear();
    r.serial.writes.clear();
    press();  // a second press searches again: a box of a newer firmware answers on COM1
    EXPECT_EQ(r.main.port_list.text(), "COM1");
    r.serial.arrive("9.99#");
    r.clock.advance(4000);
    EXPECT_PRED2(messages_hold, r.said(), (Texts{"Future firmware version!", kNoOrvantis}));
    EXPECT_EQ(r.serial.writes, (Writes{{"/dev/ttyUSB0", "GVn#"}}));  // COM3 not asked
}

// Another program that has the port open too may take the Orvantis's answers: a search leaves
// such a port alone and says so, CONNECT names the program when the box stays silent or the
// port cannot be opened.
TEST_F(Connect, PortsOtherProgramsHaveOpenAreNamedWithThem) {
    r.ports.held[1] = {"minicom (pid 4242)"};
    list({"COM1", "COM3", "Search COM", "TCP Port"});
    connect("Search COM");
    EXPECT_EQ(r.serial.opened_path, "/dev/pts/3");  // COM1 not tried
    EXPECT_EQ(r.serial.open_count, 1);
    r.clock.advance(2000);
    EXPECT_EQ(r.said(), Texts{std::string(kNoOrvantis) +
                              "\nNot tried, because another program has them open:"
                              "\nCOM1 is open in minicom (pid 4242)"
                              "\nClose the port in that program, then search again."});
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
    EXPECT_EQ(r.dialogs.messages(),
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
    EXPECT_EQ(r.dialogs.messages(), Texts{"COM7 does not exist on this computer."});
    EXPECT_EQ(r.serial.open_count, 0);
    EXPECT_EQ(r.serial.written, "");
}

TEST_F(Connect, DisconnectDuringASearchEndsItWithSearchCOMShownAgain) {
    connect("Search COM");
    r.clock.advance(1000);
    press();
    EXPECT_EQ(r.main.port_list.text(), "Search COM");
    r.clock.advance(10000);
    EXPECT_EQ(r.serial.writes, (Writes{{"/dev/ttyUSB0", "GVn#"}, {"/dev/ttyUSB0", "GVN#"}}));
    EXPECT_TRUE(r.dialogs.shown.empty());
}

TEST_F(Connect, TcpConnectsAsynchronouslyAndASecondPressRetries) {
    tcp("127.0.0.1", "4001");
    r.main.state.bootmode = true;
    press();
    EXPECT_FALSE(r.main.state.bootmode);
    EXPECT_EQ(r.socket.host, "127.0.0.1");
    EXPECT_EQ(r.socket.port, 4001);
    EXPECT_EQ(link(), "CONNECT");
    EXPECT_EQ(r.main.link_progress.caption(), "Connecting to 127.0.0.1:4001\u2026");
    press();  // closes the pending socket and connects again
    EXPECT_EQ(r.socket.connects, 2);
    EXPECT_EQ(caption(), "CONNECT");
    r.socket.accept();
    EXPECT_EQ(caption(), "DISCONNECT");
    EXPECT_EQ(r.main.link_progress.caption(), "Asking the Orvantis\u2026");
    EXPECT_EQ(r.main.link_progress.accessible_name(), "Asking the Orvantis\u2026");
    EXPECT_EQ(r.socket.sent, "GVn#");
    r.clock.advance(1000);
    EXPECT_EQ(r.socket.sent, "GVn#GVN#");
    r.clock.advance(1000);
    EXPECT_EQ(r.dialogs.headlines(), Texts{kNoOrvantis});
    EXPECT_EQ(r.main.link_progress.caption(), "");
    EXPECT_PRED2(one_holding, r.dialogs.messages(),
                 "The gateway at 127.0.0.1:4001 took the connection, but no answer came "
                 "through it.");
    EXPECT_EQ(r.socket.state(), SocketState::Closed);
    EXPECT_EQ(r.serial.written, "");
}

// The advice after "No Orvantis found" is for silence only; the programs that grab adapters are
// named on silence and on a refused open; a slow adapter is told of once per run.
TEST_F(Connect, TheDoctorAdvisesOnSilenceAndTellsOfASlowAdapterOnce) {
    r.ports.grabbing = {"ModemManager (pid 9) is running: stop it."};
    connect("COM3");
    r.clock.advance(2000);
    const Texts silent = r.said();
    ASSERT_EQ(silent.size(), 1u);
    EXPECT_PRED2(holds, silent[0], "baud.");
    EXPECT_PRED2(holds, silent[0], "\nModemManager (pid 9) is running: stop it.");

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
    const auto shown = r.dialogs.messages();  // "Orvantis found on ..." each time, and once:
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ((Texts{shown[0], shown[1], shown[2], shown[4]}),
              (Texts{"Orvantis found on COM3",
                     "COM3 is open in cu (pid 77) as well, so some of the Orvantis's replies may "
                     "go to that program instead. Close the port there.",
                     "Orvantis found on COM10", "Orvantis found on COM10"}));
    const std::string& told = shown[3];
    EXPECT_EQ(
        told.rfind("COM10 is a USB serial adapter that holds short replies for up to 16 ms", 0), 0u)
        << told;
    for (const char* part :
         {"about 4 s longer", "echo 1 | sudo tee /sys/class/tty/ttyUSB9/device/latency_timer",
          "ATTR{latency_timer}=\"1\""})
        EXPECT_PRED2(holds, told, part);
}

TEST_F(Connect, TcpFailuresNameTheAddressAndTheReasonOnce) {
    // The messages of a failed connect, with time to tell another after it.
    const auto told = [this] {
        r.clock.advance(2 * orv::link::kSocketConnectTimeoutMs);
        return r.said();
    };
    tcp("10.0.0.5", "70000");
    press();
    EXPECT_PRED2(one_holding, told(), "70000");
    EXPECT_EQ(r.socket.connects, 0);

    r.settings.ip_port.set_text("23");
    press();
    r.socket.fail("Connection refused");
    EXPECT_PRED2(one_holding, told(), "10.0.0.5:23: Connection refused");
    EXPECT_EQ(caption(), "CONNECT");

    // Each cause the machine tells apart gets its own next step.
    const std::pair<SocketFailure, const char*> steps[] = {
        {SocketFailure::Refused, "nothing takes connections on port 23"},
        {SocketFailure::NoRoute, "no way to 10.0.0.5"},
        {SocketFailure::UnknownHost, "The name 10.0.0.5 is not known"},
        {SocketFailure::Other, "Check the address and port"},
    };
    for (const auto& [kind, step] : steps) {
        r.socket.failure_kind = kind;
        press();
        r.socket.fail("why");
        EXPECT_PRED2(one_holding, told(), step);
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
    EXPECT_EQ(caption(), "CONNECT");
    EXPECT_EQ(enabled(r.main.read_settings, r.main.read_channel), "off off");

    tcp("127.0.0.1", "23");
    press();
    r.socket.accept();
    r.socket.arrive("1.20#");
    r.socket.fail("the connection was closed by the other side");
    EXPECT_PRED2(one_holding, r.said(), "was lost");
    EXPECT_EQ(caption(), "CONNECT");
    EXPECT_FALSE(r.main.read_settings.enabled());

    // A gateway whose network stopped answering even the socket's own probes.
    press();
    r.socket.accept();
    r.socket.arrive("1.20#");
    r.socket.failure_kind = SocketFailure::TimedOut;
    r.socket.fail("Connection timed out");
    EXPECT_EQ(r.dialogs.messages(),
              Texts{"The connection to 127.0.0.1:23 was lost: nothing at that address answered "
                    "for 6 seconds, not even its network.\nCheck the gateway's power and its "
                    "cable or Wi-Fi, then press CONNECT."});
}

}  // namespace
