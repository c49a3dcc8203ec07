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

// The reversal boxes, the six time boxes, the two option boxes and whether the time boxes can be
// typed into, e.g. "1 0 | 120 300 35 0 65535 40000 | 1 0 | on".
std::string settings(ConnectedRig& r) {
    auto& m = r.main;
    std::string out = std::to_string(m.rev_ra.value()) + " " + std::to_string(m.rev_dec.value());
    for (int k = 0; k < 6; ++k) out += (k ? " " : " | ") + m.time_boxes[k].text();
    return out + " | " + std::to_string(m.autostar_mode.value()) + " " +
           std::to_string(m.sequential_guiding.value()) + " | " + enabled(m.time_boxes[0]);
}

// The reversal byte sets the two boxes from its low bits; the settings block fills the time
// boxes of an Orvantis (of an emulator only over TCP) and of a generation two box the option
// boxes; then the product code and the firmware version are asked afresh.
TEST(ReadSettings, EachKindOfBoxOverEachLinkFillsItsOwnBoxes) {
    struct Case {
        bool over_socket;
        const char* ident;
        int flags;
        std::string tail;     // the settings block after the six times
        const char* product;  // and the firmware version, the answers to "#GVP#" and "#GVN#"
        const char* version;
        const char* after;  // the boxes after the read
    };
    for (const Case& c : {
             Case{false, "11.1#", 0x03, "#", "ORV-1#", "11.1#",
                  "1 1 | 120 300 35 0 65535 40000 | 1 0 | on"},
             Case{true, "1.20#", 0x02, bytes({0, 5, '#'}), "ORV-2#", "1.20#",
                  "0 1 | 120 300 35 0 65535 40000 | 0 1 | on"},
             Case{false, "2.20#", 0xFC, bytes({1, 0, '#'}), "ORV-E#", "30Eg#",
                  "0 0 | # # # # # # | 1 0 | off"},
             Case{true, "2.20#", 0x01, bytes({0, 0, '#'}), "ORV-E#", "30Eg#",
                  "1 0 | 120 300 35 0 65535 40000 | 0 0 | off"},
         }) {
        ConnectedRig r(c.over_socket, c.ident);
        r.main.rev_ra.set_value(1);
        r.main.rev_dec.set_value(1);
        r.main.autostar_mode.set_value(1);  // a generation two box's 0 must replace it
        r.main.read_settings.click();
        EXPECT_EQ(r.sent(), "#gRV#") << c.ident;
        r.arrive(bytes({c.flags, '#'}));
        EXPECT_EQ(r.program.transport.threshold(), 12 + static_cast<int>(c.tail.size()));
        // The serial port holds the block back until all of it waits; over TCP it may come in
        // pieces, one of them ending in a "#" data byte.
        r.arrive(kTimes.substr(0, 6));
        EXPECT_EQ(r.main.time_boxes[0].text(), "#");
        r.arrive(kTimes.substr(6) + c.tail);
        EXPECT_EQ(settings(r), c.after) << c.ident << c.over_socket;
        r.arrive(c.product);
        r.arrive(c.version);
        EXPECT_EQ(r.main.product_code.text() + r.main.firmware_version.text(),
                  std::string(c.product) + c.version);
        EXPECT_EQ(r.sent(), "#gRV##gET##GVP##GVN#") << c.ident;
        r.clock.advance(10000);
        EXPECT_TRUE(r.dialogs.shown.empty());
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
    EXPECT_EQ(buttons(), "on on on on on on");
    m.read_settings.click();  // a second read at once
    EXPECT_EQ(r.serial.written, "#gRV##gET##GVP##GVN##gRV#");
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
        auto& st = r.main.state;
        r.main.read_settings.click();
        for (int i = 0; i < s.answered; ++i) {
            r.clock.advance(2500);  // each step gets its own time
            r.serial.arrive(replies[i]);
        }
        r.serial.arrive(s.part);  // held back by the port: fewer bytes than the block
        r.clock.advance(2999);
        EXPECT_TRUE(r.dialogs.shown.empty()) << s.named;
        r.clock.advance(1);
        EXPECT_PRED2(one_holding, r.said(), s.named);
        // Nothing is awaited any more, and the buttons are back.
        EXPECT_EQ(std::to_string(st.button_flag + st.do_code + st.do_firmware) + " " +
                      std::to_string(r.program.transport.threshold()) + " " +
                      enabled(r.main.read_settings),
                  "0 1 on")
            << s.named;
        // The channel read next is not misread as flags or a settings block, nor read together
        // with what was left of the block.
        r.main.read_channel.click();
        r.serial.arrive(bytes({0x03, '#'}));
        EXPECT_EQ(r.main.rev_ra.value(), 0);
        EXPECT_EQ(r.main.channel_box.text(), "3") << s.named << s.part.size();
        r.clock.advance(10000);
        EXPECT_TRUE(r.dialogs.shown.empty());
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
        EXPECT_EQ(r.main.identity_box.text() + r.main.product_code.text() + " " +
                      enabled(r.main.read_settings, r.main.shutter_on),
                  "2.20# on off")
            << over_socket;
        r.dialogs.shown.clear();
        r.clock.advance(5000);
        EXPECT_TRUE(r.dialogs.shown.empty()) << over_socket;  // no "did not answer"
    }
}

}  // namespace
