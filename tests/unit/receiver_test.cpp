// The reply receiver: accumulation, dispatch and the version policies of both receivers.

#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;
using orv::link::kNoOrvantis;

const std::string kGivenUp = std::string(
                                 "Future firmware version! Please update this software "
                                 "from ") +
                             orv::link::kMakerWebAddress + " ! " + kNoOrvantis;

// A started program with a box on COM3 and a gateway at 127.0.0.1:4001, neither asked yet.
struct Link {
    Rig r;
    Link() {
        r.ports.ports = {{3, "/dev/pts/3"}};
        r.stored("Orvantis", "CommBaud", "9600");
        r.stored("orvantis", "IPaddr", "127.0.0.1");
        r.stored("orvantis", "IPport", "4001");
        r.program.start();
    }
    void connect(bool over_socket, const char* entry = "COM3") {
        r.main.port_list.set_text(over_socket ? "TCP Port" : entry);
        r.main.connect_button.click();
        if (over_socket) r.socket.accept();
    }
    // "v2 orvantis on off on on on DISCONNECT": the generation, the device type, Read Settings,
    // READ channel, shutter ON, Autostar mode and sequential guiding, the CONNECT button,
    // " open" while a port or the socket is, " asking" while an answer is awaited, " search"
    // during a search, then each message since the last look (its title in brackets).
    std::string look() {
        const auto& m = r.main;
        std::string out = "v" + std::to_string(m.state.ver) + " " + m.state.device_type + " " +
                          enabled(m.read_settings, m.read_channel, m.shutter_on, m.autostar_mode,
                                  m.sequential_guiding) +
                          " " + m.connect_button.caption();
        if (r.serial.is_open() || r.socket.state() != orv::platform::SocketState::Closed)
            out += " open";
        if (r.program.identify_timer->active()) out += " asking";
        if (m.state.search_com_mode) out += " search";
        for (const auto& s : r.dialogs.shown)
            out += " ! " + s.text.substr(0, s.text.find(" as well")) +
                   (s.title.empty() ? "" : " [" + s.title + "]");
        r.dialogs.shown.clear();
        return out;
    }
};

// Each answer to the identity (GVn#) or, asked after a second's silence, to the firmware version
// (GVN#), over each link. A rejected answer is told once and the box given up once: no tick of
// the identification comes while the message is open, however long it stays open. Over TCP the
// firmware version speaks for an Orvantis whatever an earlier link to an emulator left behind.
TEST(Receiver, EachAnswerOverEachLinkIdentifiesTheBoxOrGivesItUp) {
    const std::string v0 = "v0 orvantis off off off off off CONNECT ! " + kGivenUp;
    const std::string v0s = v0 + "\nCOM3 is open in cu (pid 7)";
    const std::string v2 = "v2 orvantis on on on on on DISCONNECT open";
    const std::string held = " ! COM3 is open in cu (pid 7)";
    const std::string found = " ! Orvantis found on COM3 [Too Easy..]";
    const std::string lx200 = "v2 lx200 on off off on on DISCONNECT open";
    // The link ("late": the answer to GVN#, the firmware version), the answer, what follows:
    // stray bytes in front, two replies in one piece, each generation and the emulator, a
    // firmware version for an identity, the found message only in a search, the emulator's
    // firmware over TCP.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"serial", "ab1.20#", v0s},
        {"socket", "ab1.20#", v0},
        {"serial", "1.20#1.20#", v2 + found + held},
        {"socket", "1.20#1.20#", v0},
        {"serial", "11.1#", "v1 orvantis on on on off off DISCONNECT open" + held},
        {"serial", "2.21#", lx200 + " ! Orvantis LX200 emulator found on COM3 [Too Easy..]" + held},
        {"socket", "2.20#", lx200},
        {"serial", "30Eg#", v0s},
        {"serial late", "ab1.20#", v0s},
        {"socket late", "ab1.20#", v0},
        {"serial late", "30Eg#", v2 + held},
        {"serial late search", "1.20#", v2 + found},
        {"serial late search", "30Eg#", v2 + found},
        {"socket late", "1.20#", v2},
        {"socket late", "30Eg#", v2},
        {"socket late", "2.21#", v0}};
    for (const auto& [how, arrival, after] : cases) {
        SCOPED_TRACE(how + " " + arrival);
        const bool socket = holds(how, "socket"), late = holds(how, "late");
        Link l;
        // Over TCP, as left by a link to an emulator on COM3: the port's holders are not told.
        if (socket) {
            l.r.main.state.device_type = "lx200";
            l.r.program.transport.set_port_number(3);
        }
        // Another program has COM3 open too: said once the box is found (a search skips it).
        if (!holds(how, "search")) l.r.ports.held[3] = {"cu (pid 7)"};
        l.connect(socket, holds(how, "search") ? "Search COM" : "COM3");
        if (late) l.r.clock.advance(1000);
        EXPECT_EQ(l.r.serial.written + l.r.socket.sent, late ? "GVn#GVN#" : "GVn#");
        bool first = true;
        l.r.dialogs.during = [&] {
            if (std::exchange(first, false)) l.r.clock.advance(5000);
        };
        (socket ? l.r.socket.arrive(arrival) : l.r.serial.arrive(arrival));
        EXPECT_EQ((late ? l.r.main.firmware_version : l.r.main.identity_box).text(), arrival);
        EXPECT_EQ(l.look(), after);
        l.r.clock.advance(5000);
        EXPECT_EQ(l.look(), after.substr(0, after.find(" !")));
    }
}

TEST(Receiver, ABoxThatNeverEndsAReplyDoesNotFillTheMemory) {
    Link l;
    l.connect(false);
    for (int i = 0; i < 16; ++i) l.r.serial.arrive(std::string(64 * 1024, 'x'));  // 1 MiB, no "#"
    EXPECT_EQ(l.r.main.state.instring.size(), orv::link::kMaxReplyLength);  // the newest bytes
    l.r.serial.arrive("#");
    EXPECT_EQ(l.look(), "v0 orvantis off off off off off CONNECT ! " + kGivenUp);
}

TEST(Receiver, RepliesNobodyAskedForGoToTheChannelBoxAndSocketArrivalsMarkAcks) {
    Link l;
    auto& r = l.r;
    l.connect(true);
    r.socket.arrive("1.20#");
    // A Read Settings that timed out in the settings block leaves none of its bytes behind.
    r.main.read_settings.click();
    r.socket.arrive(std::string("\x00#", 2));
    r.socket.arrive("\x05");
    r.clock.advance(orv::config::kReadStepTimeoutMs);
    r.main.state.ack_rx = false;
    r.socket.arrive(std::string("\x07#", 2));
    EXPECT_TRUE(r.main.state.ack_rx);
    EXPECT_EQ(r.main.channel_box.text() + " " + enabled(r.main.write_channel), "7 on");
    r.socket.arrive(std::string("\xff#", 2));
    EXPECT_EQ(r.main.channel_box.text(), "255");
    r.socket.arrive("#");
    r.socket.arrive("#");  // channel 35 is "#" itself: "##" byte by byte
    EXPECT_EQ(r.main.channel_box.text(), "35");
}

}  // namespace
