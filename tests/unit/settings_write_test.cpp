// Write Settings: the commands, their raw value bytes, one acknowledgement each.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings_write.h"
#include "fakes/rig.h"

namespace {

using orv::config::encode_time;
using orv::fake::ConnectedRig;
using Texts = std::vector<std::string>;

std::string b(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

void fill_times(ConnectedRig& r) {
    const char* values[6] = {"300", "0", "65535", "300.5", "511.5", "35"};
    for (int k = 0; k < 6; ++k) r.main.time_boxes[k].set_text(values[k]);
}

// Sends the acknowledgement of each command as it goes out; returns the commands in order.
Texts write_all(ConnectedRig& r) {
    Texts commands;
    std::size_t seen = 0;
    r.main.write_settings.click();
    for (int guard = 0; guard < 20 && r.program.settings_write.running(); ++guard) {
        const std::string& sent = r.sent();
        commands.push_back(sent.substr(seen));
        seen = sent.size();
        r.arrive("#");
    }
    return commands;
}

TEST(EncodeTime, RoundsFirstThenSplitsHighByteFirst) {
    EXPECT_EQ(encode_time("300"), b({0x01, 0x2C}));
    EXPECT_EQ(encode_time("0"), b({0x00, 0x00}));
    EXPECT_EQ(encode_time("65535"), b({0xFF, 0xFF}));
    EXPECT_EQ(encode_time(" 300.5 "), b({0x01, 0x2C}));  // half to even: 300
    EXPECT_EQ(encode_time("511.5"), b({0x02, 0x00}));    // 512, whole
    EXPECT_EQ(encode_time("-0.4"), b({0x00, 0x00}));
    for (const char* bad : {"", "#", "-1", "65536", "65535.5", "1e3", "abc"})
        EXPECT_FALSE(encode_time(bad).has_value()) << bad;
}

TEST(WriteSettings, GenerationTwoOrvantisSendsTenCommandsEachAfterItsAck) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    r.main.rev_ra.set_value(1);
    r.main.sequential_guiding.set_value(1);
    const Texts commands = write_all(r);
    EXPECT_EQ(commands, (Texts{b({'#', 'r', 'R', 'A', 1, '#'}), b({'#', 'r', 'D', 'E', 0, '#'}),
                               "#T1" + b({0x01, 0x2C}) + "#", "#T2" + b({0, 0}) + "#",
                               "#T3" + b({0xFF, 0xFF}) + "#", "#T4" + b({0x01, 0x2C}) + "#",
                               "#T5" + b({0x02, 0x00}) + "#", "#Td" + b({0x00, 0x23}) + "#",
                               "#ASM0#", "#SEQ1#"}));
    // The serial acknowledgements never reached the receiver.
    EXPECT_EQ(r.main.channel_box.text(), "#");
    EXPECT_EQ(r.main.state.instring, "");
    EXPECT_TRUE(r.dialogs.shown.empty());
}

TEST(WriteSettings, WhatIsSentDependsOnTheDeviceTypeAndTheGeneration) {
    ConnectedRig gen1(false, "11.1#");
    fill_times(gen1);
    const Texts one = write_all(gen1);
    ASSERT_EQ(one.size(), 8u);
    EXPECT_EQ(one.back().substr(0, 3), "#Td");

    ConnectedRig emulator(false, "2.20#");
    fill_times(emulator);
    emulator.main.time_boxes[2].set_text("nonsense");  // not sent, so not checked
    const Texts lx = write_all(emulator);
    EXPECT_EQ(lx, (Texts{b({'#', 'r', 'R', 'A', 0, '#'}), b({'#', 'r', 'D', 'E', 0, '#'}), "#ASM0#",
                         "#SEQ0#"}));
}

TEST(WriteSettings, OverTcpEachArrivalAcknowledgesOneCommandAndPassesThroughTheReceiver) {
    ConnectedRig r(true, "1.20#");
    fill_times(r);
    r.main.write_settings.click();
    EXPECT_EQ(r.socket.sent, b({'#', 'r', 'R', 'A', 0, '#'}));
    r.socket.arrive(b({5}));  // half an answer: acknowledges the first command
    EXPECT_EQ(r.socket.sent.size(), 12u);
    r.socket.arrive("#");     // the rest: acknowledges the second, and is a "channel" reply
    EXPECT_EQ(r.socket.sent.size(), 18u);
    EXPECT_EQ(r.main.channel_box.text(), "5");
    EXPECT_TRUE(r.program.settings_write.running());
}

TEST(WriteSettings, ABadTimeBoxIsNamedAndNothingIsSent) {
    for (auto [k, text, name] : {std::tuple{2, "#", "Time #3"}, std::tuple{5, "-1", "Exp. Gap"},
                                 std::tuple{0, "70000", "Time #1"}, std::tuple{3, "", "Time #4"}}) {
        ConnectedRig r(false, "1.20#");
        fill_times(r);
        r.main.time_boxes[k].set_text(text);
        r.main.write_settings.click();
        EXPECT_EQ(r.serial.written, "");
        ASSERT_EQ(r.dialogs.messages().size(), 1u);
        EXPECT_NE(r.dialogs.messages()[0].find(name), std::string::npos) << r.dialogs.messages()[0];
        EXPECT_FALSE(r.program.settings_write.running());
        EXPECT_TRUE(r.main.read_settings.enabled());
    }
}

TEST(WriteSettings, AQuickSerialAckIsNotThrownAwayAndOldInputIsNotTakenForOne) {
    ConnectedRig r(false, "11.1#");
    fill_times(r);
    r.serial.waiting = "zz";  // left over from before
    r.serial.box = [&r](const std::string&) { r.serial.arrive("#"); };  // answers at once
    r.main.write_settings.click();
    r.serial.box = nullptr;
    EXPECT_EQ(r.serial.writes.size(), 8u);
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_FALSE(r.program.write_timer->active());
}

TEST(WriteSettings, ASilentBoxStopsTheWriteNamingTheStepAndUnlocksTheButtons) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    r.main.write_settings.click();
    r.serial.arrive("#");
    r.serial.arrive("#");  // the box goes silent after "#T1"
    EXPECT_FALSE(r.main.read_settings.enabled());
    EXPECT_FALSE(r.main.send_button.enabled());  // SEND too: nothing may come in between
    EXPECT_TRUE(r.main.connect_button.enabled());
    r.main.send_button.click();
    EXPECT_EQ(r.serial.writes.size(), 3u);
    r.clock.advance(3000);
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("\"Time #1\""), std::string::npos);
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_TRUE(r.main.read_settings.enabled());
    EXPECT_TRUE(r.main.send_button.enabled());
    EXPECT_FALSE(r.main.write_channel.enabled());  // restored as it was ("#" in the channel box)
    // Later arrivals reach the receiver again.
    r.serial.arrive("\x09#");
    EXPECT_EQ(r.main.channel_box.text(), "9");
}

TEST(WriteSettings, TheChannelBoxCannotUnlockWriteDuringTheWrite) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    r.main.write_settings.click();
    r.main.channel_box.set_text("12");  // typed while the write runs
    EXPECT_FALSE(r.main.write_channel.enabled());
    EXPECT_FALSE(r.main.write_to_remote.enabled());
    r.main.write_channel.click();
    EXPECT_EQ(r.serial.written.find("#sCh"), std::string::npos);
    for (int guard = 0; guard < 20 && r.program.settings_write.running(); ++guard) r.arrive("#");
    // Unlocked, the buttons follow what the box now holds.
    EXPECT_TRUE(r.main.write_channel.enabled());
    EXPECT_TRUE(r.main.write_to_remote.enabled());
}

TEST(WriteSettings, ReadAndWriteWaitUntilAFocusRunOrAnAutoShutterRunIsStopped) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    r.main.setpoint_box[0].set_text("6000");
    r.main.goto_setpoint[0].click();
    r.serial.written.clear();
    for (auto* b : {&r.main.write_settings, &r.main.read_settings}) b->click();
    ASSERT_EQ(r.dialogs.messages().size(), 2u);
    EXPECT_NE(r.dialogs.messages()[0].find("Write Settings needs the link to itself: stop the "
                                           "Focus GOTO run"),
              std::string::npos);
    EXPECT_NE(r.dialogs.messages()[1].find("Read Settings needs"), std::string::npos);
    EXPECT_EQ(r.serial.written, "");
    EXPECT_FALSE(r.program.settings_write.running());
    r.main.focus_up.press();
    r.main.focus_up.release();

    r.dialogs.shown.clear();
    r.main.exposure_secs.set_text("5");
    r.main.exposure_gap.set_text("1");
    r.main.exposure_count.set_text("2");
    r.main.auto_shutter.click();
    r.serial.written.clear();
    r.main.write_settings.click();
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("Auto Shutter"), std::string::npos);
    EXPECT_EQ(r.serial.written, "");
}

TEST(WriteSettings, ASecondWriteLocksTheButtonsAsTheFirstDid) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    for (int run = 0; run < 2; ++run) {
        r.main.write_settings.click();
        EXPECT_TRUE(r.main.commands_locked) << run;
        EXPECT_FALSE(r.main.read_settings.enabled()) << run;
        for (int k = 0; k < 12 && r.program.settings_write.running(); ++k) r.serial.arrive("#");
        EXPECT_FALSE(r.program.settings_write.running()) << run;
        EXPECT_FALSE(r.main.commands_locked) << run;
        EXPECT_TRUE(r.main.read_settings.enabled()) << run;
    }
}

TEST(WriteSettings, ADisconnectDuringTheWriteEndsItWithoutReenablingTheDeviceButtons) {
    ConnectedRig r(false, "1.20#");
    fill_times(r);
    r.main.write_settings.click();
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_FALSE(r.main.read_settings.enabled());
    EXPECT_TRUE(r.main.send_button.enabled());
    r.clock.advance(10000);
    EXPECT_TRUE(r.dialogs.shown.empty());
}

}  // namespace
