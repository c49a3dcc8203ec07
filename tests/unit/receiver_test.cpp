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
    void serial(const char* entry = "COM3") {
        r.main.port_list.set_text(entry);
        r.main.connect_button.click();
    }
    void socket() {
        r.main.port_list.set_text("TCP Port");
        r.main.connect_button.click();
        r.socket.accept();
    }
    void connect(bool over_socket) { over_socket ? socket() : serial(); }
    void arrive(bool over_socket, const std::string& bytes) {
        if (over_socket) r.socket.arrive(bytes);
        else r.serial.arrive(bytes);
    }
    // "v2 orvantis on off on DISCONNECT": the generation, the device type, Read Settings, READ
    // channel and shutter ON, the CONNECT button, " asking" while an answer is awaited,
    // " search" during a search, then each message since the last look after " ! ".
    std::string look() {
        const auto& m = r.main;
        std::string out = "v" + std::to_string(m.state.ver) + " " + m.state.device_type + " " +
                          enabled(m.read_settings, m.read_channel, m.shutter_on) + " " +
                          m.connect_button.caption();
        if (r.program.identify_timer->active()) out += " asking";
        if (m.state.search_com_mode) out += " search";
        for (const auto& t : r.said()) out += " ! " + t;
        return out;
    }
};

struct Receiving : ::testing::Test, Link {};

// A rejected answer, to either question, is told once and the box given up once: no tick of the
// identification comes while the message is open, however long it stays open.
TEST(Receiver, StrayBytesInFrontOrTwoRepliesInOnePiece) {
    struct Case {
        bool socket;
        bool late;  // the answer to GVN#, the firmware version
        std::string arrival;
        bool accepted;
    };
    for (const Case& c :
         {Case{false, false, "ab1.20#", false}, Case{true, false, "ab1.20#", false},
          Case{false, false, "1.20#1.20#", true}, Case{true, false, "1.20#1.20#", false},
          Case{false, true, "ab1.20#", false}, Case{true, true, "ab1.20#", false}}) {
        Link l;
        l.connect(c.socket);
        if (c.late) l.r.clock.advance(1000);
        bool first = true;
        l.r.dialogs.during = [&] {
            if (std::exchange(first, false)) l.r.clock.advance(5000);
        };
        l.arrive(c.socket, c.arrival);
        EXPECT_EQ((c.late ? l.r.main.firmware_version : l.r.main.identity_box).text(), c.arrival);
        EXPECT_EQ(l.look(), c.accepted ? "v2 orvantis on on on DISCONNECT ! Orvantis found on COM3"
                                       : "v0 orvantis off off off CONNECT ! " + kGivenUp)
            << c.arrival << " socket " << c.socket << " late " << c.late;
    }
}

TEST_F(Receiving, ABoxThatNeverEndsAReplyDoesNotFillTheMemory) {
    serial();
    for (int i = 0; i < 16; ++i) r.serial.arrive(std::string(64 * 1024, 'x'));  // 1 MiB, no "#"
    EXPECT_EQ(r.main.state.instring.size(), orv::link::kMaxReplyLength);        // the newest bytes
    r.serial.arrive("#");
    EXPECT_EQ(look(), "v0 orvantis off off off CONNECT ! " + kGivenUp);
}

TEST_F(Receiving, GenerationOneIsIdentifiedSilentlyAndSwitchesTheGenerationTwoBoxesOff) {
    serial();
    r.main.autostar_mode.set_enabled(true);
    r.main.sequential_guiding.set_enabled(true);
    r.serial.arrive("11.1#");
    EXPECT_EQ(enabled(r.main.autostar_mode, r.main.sequential_guiding), "off off");
    EXPECT_EQ(look(), "v1 orvantis on on on DISCONNECT");
}

TEST_F(Receiving, TheEmulatorIdentityIsAnnouncedAndEnablesOnlyWhatItCanUse) {
    serial();
    r.serial.arrive("2.21#");
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].title, "Too Easy..");
    EXPECT_EQ(look(), "v2 lx200 on off off DISCONNECT ! Orvantis LX200 emulator found on COM3");

    // Over the socket only "2.20#" is the emulator, and nothing is announced.
    r.main.connect_button.click();
    r.ports.held[3] = {"cu (pid 7)"};  // the serial port used before: nothing to do with TCP
    socket();
    r.socket.arrive("2.20#");
    EXPECT_EQ(look(), "v2 lx200 on off off DISCONNECT");
}

TEST_F(Receiving, ThirtyEgIsAFirmwareVersionButNotAnIdentity) {
    serial();
    r.serial.arrive("30Eg#");
    EXPECT_EQ(look(), "v0 orvantis off off off CONNECT ! " + kGivenUp);
    EXPECT_FALSE(r.serial.is_open());

    r.ports.held[3] = {"cu (pid 7)"};  // told of once the box is found
    r.main.connect_button.click();  // CONNECT again
    r.clock.advance(1000);          // no answer to GVn#: GVN# asks for the firmware version
    EXPECT_EQ(r.serial.written.substr(r.serial.written.size() - 4), "GVN#");
    r.serial.arrive("30Eg#");
    EXPECT_EQ(r.main.firmware_version.text(), "30Eg#");
    // No found message outside a search.
    EXPECT_PRED2(holds, look(), "v2 orvantis on on on DISCONNECT ! COM3 is open in cu (pid 7)");
    r.clock.advance(5000);
    EXPECT_EQ(look(), "v2 orvantis on on on DISCONNECT");
}

TEST(Receiver, EitherGenerationTwoFirmwareReplyIdentifiesTheBoxOverEachLink) {
    for (const bool over_socket : {false, true}) {
        for (const char* reply : {"1.20#", "30Eg#"}) {
            Link l;
            // Over TCP the firmware version speaks for an Orvantis whatever an earlier link to
            // an emulator left behind.
            if (over_socket) l.r.main.state.device_type = "lx200";
            // A search over serial: the box is found through its firmware version.
            over_socket ? l.socket() : l.serial("Search COM");
            l.r.clock.advance(1000);  // no answer to GVn#: GVN# asks for the firmware version
            l.arrive(over_socket, reply);
            EXPECT_EQ(l.look(), over_socket ? "v2 orvantis on on on DISCONNECT"
                                            : "v2 orvantis on on on DISCONNECT ! Orvantis found "
                                              "on COM3")
                << reply;
        }
    }
}

TEST_F(Receiving, TheSocketRejectsAnEmulatorFirmwareReplyAndGivesUp) {
    socket();
    r.clock.advance(1000);
    EXPECT_EQ(r.socket.sent, "GVn#GVN#");
    r.socket.arrive("2.21#");
    EXPECT_EQ(look(), "v0 orvantis off off off CONNECT ! " + kGivenUp);
    EXPECT_EQ(r.socket.state(), orv::platform::SocketState::Closed);
}

TEST_F(Receiving, RepliesNobodyAskedForGoToTheChannelBoxAndSocketArrivalsMarkAcks) {
    socket();
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
