// Read Settings: reversal flags, the settings block and the fresh identification after it.

#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

// 120, 300, 35 (a "#" as low byte), 0, 65535, 40000
const std::string kTimes =
    bytes({0x00, 0x78, 0x01, 0x2C, 0x00, 0x23, 0x00, 0x00, 0xFF, 0xFF, 0x9C, 0x40});
const Texts kTimeTexts = {"120", "300", "35", "0", "65535", "40000"};

Texts time_texts(ConnectedRig& r) {
    Texts out;
    for (auto& box : r.main.time_boxes) out.push_back(box.text());
    return out;
}

TEST(ReadSettings, ReversalByteSetsTheTwoBoxesFromItsLowBits) {
    for (auto [flags, ra, dec] : {std::tuple{0x03, 1, 1}, std::tuple{0x02, 0, 1},
                                  std::tuple{0xFC, 0, 0}, std::tuple{0x01, 1, 0}}) {
        ConnectedRig r;
        r.main.rev_ra.set_value(1);
        r.main.rev_dec.set_value(1);
        r.main.read_settings.click();
        EXPECT_EQ(r.serial.written, "#gRV#");
        EXPECT_TRUE(r.main.state.button_flag);
        r.serial.arrive(bytes({flags, '#'}));
        EXPECT_EQ(r.main.rev_ra.value(), ra) << flags;
        EXPECT_EQ(r.main.rev_dec.value(), dec) << flags;
        EXPECT_FALSE(r.main.state.button_flag);
    }
}

// While the read waits for the box nothing else goes out: its answers are told apart only by
// what is awaited.
TEST(ReadSettings, NothingElseGoesOutUntilTheLastAnswer) {
    ConnectedRig r(false, "1.20#");
    auto& m = r.main;
    const auto buttons = [&m] {
        return enabled(m.slew_up, m.write_channel, m.read_settings, m.write_settings, m.shutter_on,
                       m.send_button);
    };
    m.channel_box.set_text("7");
    r.serial.waiting = "zz";  // came unasked before the read: logged, then thrown away
    m.read_settings.click();
    const auto& log = r.program.traffic.entries();
    EXPECT_EQ(log.rbegin()[1].text + " " + log.back().text, "zz #gRV#");
    EXPECT_EQ(buttons(), "off off off off off off");
    m.channel_box.set_text("9");  // the channel rule waits too
    EXPECT_FALSE(m.write_channel.enabled());
    r.serial.arrive(bytes({0, '#'}));
    r.serial.arrive(std::string(14, '\x01') + "#");
    r.serial.arrive("ORV-2#");
    EXPECT_FALSE(m.send_button.enabled());
    r.serial.arrive("1.20#");
    EXPECT_EQ(r.serial.written, "#gRV##gET##GVP##GVN#");
    EXPECT_EQ(buttons(), "on on on on on on");
    m.read_settings.click();  // a second read at once
    EXPECT_EQ(r.serial.written, "#gRV##gET##GVP##GVN##gRV#");
}

TEST(ReadSettings, GenerationOneReadsThirteenBytesAndLeavesTheOptionBoxes) {
    ConnectedRig r(false, "11.1#");
    r.main.autostar_mode.set_value(1);
    r.main.read_settings.click();
    for (auto& box : r.main.time_boxes) EXPECT_TRUE(box.enabled());
    r.serial.arrive(bytes({0, '#'}));
    EXPECT_EQ(r.serial.written, "#gRV##gET#");
    EXPECT_EQ(r.program.transport.threshold(), 13);
    // The serial port holds the block back until all 13 bytes wait, "#" data byte included.
    r.serial.arrive(kTimes.substr(0, 6));
    EXPECT_EQ(r.main.time_boxes[0].text(), "#");
    r.serial.arrive(kTimes.substr(6) + "#");
    EXPECT_EQ(time_texts(r), kTimeTexts);
    EXPECT_EQ(r.main.autostar_mode.value(), 1);
    EXPECT_EQ(r.program.transport.threshold(), 1);
    EXPECT_EQ(r.serial.written, "#gRV##gET##GVP#");
    EXPECT_TRUE(r.main.state.do_code);
    r.serial.arrive("ORV-1#");
    EXPECT_EQ(r.main.product_code.text(), "ORV-1#");
    r.serial.arrive("11.1#");
    EXPECT_EQ(r.main.firmware_version.text(), "11.1#");
    EXPECT_EQ(r.serial.written, "#gRV##gET##GVP##GVN#");
    r.clock.advance(10000);
    EXPECT_TRUE(r.dialogs.shown.empty());
}

TEST(ReadSettings, GenerationTwoOverTheSocketTakesTheOptionBytes) {
    ConnectedRig r(true, "1.20#");
    r.main.autostar_mode.set_value(1);  // the box's 0 must replace it
    r.main.read_settings.click();
    r.socket.arrive(bytes({0, '#'}));
    EXPECT_EQ(r.program.transport.threshold(), 15);
    // Over TCP the block may come in pieces, one of them ending in a "#" data byte.
    r.socket.arrive(kTimes.substr(0, 6));
    EXPECT_EQ(r.main.time_boxes[0].text(), "#");
    r.socket.arrive(kTimes.substr(6) + bytes({0x00, 0x05, '#'}));
    EXPECT_EQ(time_texts(r), kTimeTexts);
    EXPECT_EQ(r.main.autostar_mode.value(), 0);
    EXPECT_EQ(r.main.sequential_guiding.value(), 1);
    EXPECT_EQ(r.socket.sent, "#gRV##gET##GVP#");
}

TEST(ReadSettings, AnEmulatorFillsTheTimeBoxesOnlyOverTcp) {
    for (const bool over_socket : {false, true}) {
        ConnectedRig r(over_socket, "2.20#");
        r.main.read_settings.click();
        r.arrive(bytes({0, '#'}));
        r.arrive(kTimes + bytes({0, 0, '#'}));
        EXPECT_FALSE(r.main.time_boxes[0].enabled());
        EXPECT_EQ(r.main.time_boxes[0].text(), over_socket ? "120" : "#");
    }
}

TEST(ReadSettings, EachSilentStepTimesOutWithAMessageAndNothingLeftAwaited) {
    struct Step {
        int answered;  // how many replies the box gives before it goes silent
        const char* named;
        std::string part = {};  // what came of the next reply before the box fell silent
    };
    const std::string replies[3] = {bytes({0, '#'}), kTimes + bytes({0, 0, '#'}), "ORV-2#"};
    for (const Step& s : {Step{0, "#gRV#"}, Step{1, "#gET#"}, Step{1, "#gET#", kTimes.substr(0, 5)},
                          Step{2, "#GVP#"}, Step{3, "#GVN#"}}) {
        ConnectedRig r(false, "1.20#");
        r.main.read_settings.click();
        for (int i = 0; i < s.answered; ++i) {
            r.clock.advance(2500);  // each step gets its own time
            r.serial.arrive(replies[i]);
        }
        r.serial.arrive(s.part);  // held back by the port: fewer bytes than the block
        r.clock.advance(2999);
        EXPECT_TRUE(r.dialogs.shown.empty()) << s.named;
        r.clock.advance(1);
        EXPECT_PRED2(one_holding, r.dialogs.messages(), s.named);
        EXPECT_FALSE(r.main.state.button_flag);
        EXPECT_FALSE(r.main.state.do_code);
        EXPECT_FALSE(r.main.state.do_firmware);
        EXPECT_EQ(r.program.transport.threshold(), 1);
        EXPECT_TRUE(r.main.read_settings.enabled()) << s.named;  // the buttons are back
        // The channel read next is not misread as flags or a settings block, nor read together
        // with what was left of the block.
        r.main.read_channel.click();
        r.serial.arrive(bytes({0x03, '#'}));
        EXPECT_EQ(r.main.rev_ra.value(), 0);
        EXPECT_EQ(r.main.channel_box.text(), "3") << s.named << s.part.size();
        r.clock.advance(10000);
        EXPECT_EQ(r.dialogs.messages().size(), 1u);
    }
}

TEST(ReadSettings, AReadUnderWayEndsWithTheLink) {
    for (bool over_socket : {false, true}) {
        ConnectedRig r(over_socket, "1.20#");
        r.main.read_settings.click();
        r.arrive(bytes({0x01, '#'}));   // the flags: the settings block is awaited now
        r.main.connect_button.click();  // DISCONNECT
        // At once to another kind of box: identified as ever, with only its own buttons.
        r.reconnect("2.20#");
        EXPECT_EQ(r.main.identity_box.text(), "2.20#") << over_socket;
        EXPECT_EQ(r.main.product_code.text(), "") << over_socket;
        EXPECT_EQ(enabled(r.main.read_settings, r.main.shutter_on), "on off") << over_socket;
        r.dialogs.shown.clear();
        r.clock.advance(5000);
        EXPECT_TRUE(r.dialogs.shown.empty()) << over_socket;  // no "did not answer"
    }
}

}  // namespace
