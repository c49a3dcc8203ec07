// Write Settings: the commands, their raw value bytes, one acknowledgement each.

#include <gtest/gtest.h>

#include "config/settings_write.h"
#include "connected_rig.h"

namespace {

using namespace orv::fake;
using orv::config::encode_time;

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
        commands.push_back(r.sent().substr(seen));
        seen = r.sent().size();
        r.arrive("#");
    }
    return commands;
}

void ack_all(ConnectedRig& r) {
    for (int guard = 0; guard < 20 && r.program.settings_write.running(); ++guard) r.arrive("#");
}

// A generation two box on the serial port, the time boxes filled with good values.
struct Writing : ::testing::Test {
    ConnectedRig r{false, "1.20#"};
    void SetUp() override { fill_times(r); }
};

TEST(EncodeTime, RoundsFirstThenSplitsHighByteFirst) {
    const std::pair<const char*, std::string> good[] = {
        {"300", b({0x01, 0x2C})},   {"0", b({0x00, 0x00})},
        {"65535", b({0xFF, 0xFF})}, {" 300.5 ", b({0x01, 0x2C})},  // half to even: 300
        {"511.5", b({0x02, 0x00})},                                // 512, whole
        {"-0.4", b({0x00, 0x00})}};
    for (const auto& [text, bytes] : good) EXPECT_EQ(encode_time(text), bytes) << text;
    for (const char* bad : {"", "#", "-1", "65536", "65535.5", "1e3", "abc"})
        EXPECT_FALSE(encode_time(bad).has_value()) << bad;
}

// Each command goes out once the one before it is acknowledged; which ones depends on the
// device type and the generation.
TEST(WriteSettings, WhatIsSentDependsOnTheDeviceTypeAndTheGeneration) {
    const std::string flags = b({'#', 'r', 'R', 'A', 1, '#', ' ', '#', 'r', 'D', 'E', 0, '#'});
    const std::string times = " #T1" + b({0x01, 0x2C}) + "# #T2" + b({0, 0}) + "# #T3" +
                              b({0xFF, 0xFF}) + "# #T4" + b({0x01, 0x2C}) + "# #T5" +
                              b({0x02, 0x00}) + "# #Td" + b({0x00, 0x23}) + "#";
    for (const auto& [ident, sent] : {std::pair{"1.20#", flags + times + " #ASM0# #SEQ1#"},
                                      {"11.1#", flags + times},
                                      {"2.20#", flags + " #ASM0# #SEQ1#"}}) {
        ConnectedRig r(false, ident);
        fill_times(r);
        // The emulator's time boxes are not sent, so not checked.
        if (std::string(ident) == "2.20#") r.main.time_boxes[2].set_text("nonsense");
        r.main.rev_ra.set_value(1);
        r.main.sequential_guiding.set_value(1);
        EXPECT_EQ(joined(write_all(r)), sent) << ident;
        // The serial acknowledgements never reached the receiver.
        EXPECT_EQ(r.main.channel_box.text() + r.main.state.instring, "#") << ident;
        EXPECT_TRUE(r.dialogs.shown.empty()) << ident;
    }
}

TEST(WriteSettings, OverTcpEachArrivalAcknowledgesOneCommandAndPassesThroughTheReceiver) {
    ConnectedRig r(true, "1.20#");
    fill_times(r);
    r.main.write_settings.click();
    EXPECT_EQ(r.socket.sent, b({'#', 'r', 'R', 'A', 0, '#'}));
    r.socket.arrive(b({5}));  // half an answer: acknowledges the first command
    EXPECT_EQ(r.socket.sent.size(), 12u);
    r.socket.arrive("#");  // the rest: acknowledges the second, and is a "channel" reply
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
        EXPECT_PRED2(one_holding, r.dialogs.messages(), name);
        EXPECT_FALSE(r.program.settings_write.running());
        EXPECT_TRUE(r.main.read_settings.enabled());
    }
}

TEST(WriteSettings, AQuickSerialAckIsNotThrownAwayAndOldInputIsNotTakenForOne) {
    ConnectedRig r(false, "11.1#");
    fill_times(r);
    r.serial.waiting = "#";  // an answer from before, its notice still to come
    r.main.write_settings.click();
    r.serial.arrive("");
    EXPECT_EQ(r.serial.writes.size(), 1u);
    r.serial.box = [&r](const std::string&) { r.serial.arrive("#"); };  // answers at once
    r.serial.arrive("#");
    r.serial.box = nullptr;
    EXPECT_EQ(r.serial.writes.size(), 8u);
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_FALSE(r.program.write_timer->active());
}

TEST_F(Writing, ASilentBoxStopsTheWriteNamingTheStepAndUnlocksTheButtons) {
    r.main.write_settings.click();
    r.serial.arrive("#");
    r.serial.arrive("#");        // the box goes silent after "#T1"
    r.main.send_button.click();  // SEND is locked too: nothing may come in between
    EXPECT_EQ(r.serial.writes.size(), 3u);
    r.clock.advance(3000);
    EXPECT_PRED2(one_holding, r.dialogs.messages(), "\"Time #1\"");
    // WRITE restored as it was ("#" in the channel box); later arrivals reach the receiver again.
    EXPECT_EQ(enabled(r.main.read_settings, r.main.send_button, r.main.write_channel), "on on off");
    r.serial.arrive("\x09#");
    EXPECT_EQ(r.main.channel_box.text(), "9");
}

TEST_F(Writing, EachWriteLocksTheButtonsTheChannelBoxCannotUnlockThemADisconnectEndsIt) {
    for (int run = 0; run < 2; ++run) {
        r.main.write_settings.click();
        EXPECT_TRUE(r.main.commands_locked) << run;
        EXPECT_FALSE(r.main.read_settings.enabled()) << run;
        if (run == 0) {
            r.main.channel_box.set_text("12");  // typed while the write runs
            EXPECT_EQ(enabled(r.main.write_channel, r.main.write_to_remote), "off off");
            r.main.write_channel.click();
            EXPECT_EQ(r.serial.written.find("#sCh"), std::string::npos);
        }
        ack_all(r);
        EXPECT_FALSE(r.program.settings_write.running()) << run;
        EXPECT_FALSE(r.main.commands_locked) << run;
        EXPECT_TRUE(r.main.read_settings.enabled()) << run;
        // Unlocked, the buttons follow what the box now holds.
        EXPECT_EQ(enabled(r.main.write_channel, r.main.write_to_remote), "on on") << run;
    }
    // A disconnect during the write ends it without enabling the device buttons again.
    r.main.write_settings.click();
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_EQ(enabled(r.main.read_settings, r.main.send_button), "off on");
    r.clock.advance(10000);
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.main.write_settings.set_enabled(true);  // were it pressed all the same
    r.main.write_settings.click();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::link::kNotConnected});
}

}  // namespace
