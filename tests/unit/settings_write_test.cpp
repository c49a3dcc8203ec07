// Write Settings: the commands, their raw value bytes, one acknowledgement each.

#include <gtest/gtest.h>

#include "config/settings_write.h"
#include "connected_rig.h"

namespace {

using namespace orv::fake;
using orv::config::encode_time;
using namespace std::string_literals;

// A box that answered `ident`, its time boxes filled with good values.
struct Box : ConnectedRig {
    explicit Box(bool over_socket = false, const char* ident = "1.20#")
        : ConnectedRig(over_socket, ident) {
        const char* values[6] = {"300", "0", "65535", "300.5", "511.5", "35"};
        for (int k = 0; k < 6; ++k) main.time_boxes[k].set_text(values[k]);
    }
    // WRITE pressed, each command acknowledged as it goes out; the commands in order.
    Texts write_all() {
        Texts commands;
        std::size_t seen = 0;
        main.write_settings.click();
        for (int guard = 0; guard < 20 && program.settings_write.running(); ++guard) {
            commands.push_back(sent().substr(seen));
            seen = sent().size();
            arrive("#");
        }
        return commands;
    }
};

TEST(EncodeTime, RoundsFirstThenSplitsHighByteFirst) {
    // " 300.5 " rounds half to even, to 300; "511.5" to 512, whole.
    const std::pair<const char*, std::string> good[] = {
        {"300", "\x01\x2C"s},     {"0", "\0\0"s},       {"65535", "\xFF\xFF"s},
        {" 300.5 ", "\x01\x2C"s}, {"511.5", "\x02\0"s}, {"-0.4", "\0\0"s}};
    for (const auto& [text, bytes] : good) EXPECT_EQ(encode_time(text), bytes) << text;
    for (const char* bad : {"", "#", "-1", "65536", "65535.5", "1e3", "abc"})
        EXPECT_FALSE(encode_time(bad).has_value()) << bad;
}

// Each command goes out once the one before it is acknowledged; which ones depends on the
// device type and the generation. A bad time box is named, and nothing is sent.
TEST(WriteSettings, WhatIsSentDependsOnTheDeviceTypeAndTheGeneration) {
    const std::string flags = "#rRA\x01# #rDE\0#"s;
    const std::string times =
        " #T1\x01\x2C# #T2\0\0# #T3\xFF\xFF# #T4\x01\x2C# #T5\x02\0# #Td\0##"s;
    for (const auto& [ident, sent] : {std::pair{"1.20#", flags + times + " #ASM0# #SEQ1#"},
                                      {"11.1#", flags + times},
                                      {"2.20#", flags + " #ASM0# #SEQ1#"}}) {
        Box r(false, ident);
        // The emulator's time boxes are not sent, so not checked.
        if (std::string(ident) == "2.20#") r.main.time_boxes[2].set_text("nonsense");
        r.main.rev_ra.set_value(1);
        r.main.sequential_guiding.set_value(1);
        EXPECT_EQ(joined(r.write_all()), sent) << ident;
        // The serial acknowledgements never reached the receiver.
        EXPECT_EQ(r.main.channel_box.text() + r.main.state.instring, "#") << ident;
        EXPECT_TRUE(r.dialogs.shown.empty()) << ident;
    }
    for (auto [k, text, name] : {std::tuple{2, "#", "Time #3"}, std::tuple{5, "-1", "Exp. Gap"},
                                 std::tuple{0, "70000", "Time #1"}, std::tuple{3, "", "Time #4"}}) {
        Box r;
        r.main.time_boxes[k].set_text(text);
        r.main.write_settings.click();
        EXPECT_EQ(r.serial.written, "");
        EXPECT_PRED2(one_holding, r.dialogs.messages(), name);
        EXPECT_EQ(
            std::to_string(r.program.settings_write.running()) + enabled(r.main.read_settings),
            "0on");
    }
}

TEST(WriteSettings, OverTcpEachArrivalAcknowledgesOneCommandAndPassesThroughTheReceiver) {
    Box r(true);
    r.main.write_settings.click();
    EXPECT_EQ(r.socket.sent, "#rRA\0#"s);
    r.socket.arrive("\x05");  // half an answer: acknowledges the first command
    EXPECT_EQ(r.socket.sent.size(), 12u);
    r.socket.arrive("#");  // the rest: acknowledges the second, and is a "channel" reply
    EXPECT_EQ(r.socket.sent.size(), 18u);
    EXPECT_EQ(r.main.channel_box.text(), "5");
    EXPECT_TRUE(r.program.settings_write.running());
}

TEST(WriteSettings, AQuickSerialAckIsNotThrownAwayAndOldInputIsNotTakenForOne) {
    Box r(false, "11.1#");
    r.serial.waiting = "#";  // an answer from before, its notice still to come
    r.main.write_settings.click();
    r.serial.arrive("");
    EXPECT_EQ(r.serial.writes.size(), 1u);
    r.serial.box = [&r](const std::string&) { r.serial.arrive("#"); };  // answers at once
    r.serial.arrive("#");
    r.serial.box = nullptr;
    EXPECT_EQ(r.serial.writes.size(), 8u);
    EXPECT_FALSE(r.program.settings_write.running() || r.program.write_timer->active());
}

TEST(WriteSettings, ASilentBoxStopsTheWriteNamingTheStepAndUnlocksTheButtons) {
    Box r;
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

TEST(WriteSettings, EachWriteLocksTheButtonsTheChannelBoxCannotUnlockThemADisconnectEndsIt) {
    Box r;
    auto& m = r.main;
    for (int run = 0; run < 2; ++run) {
        m.write_settings.click();
        EXPECT_EQ(std::to_string(m.commands_locked) + enabled(m.read_settings), "1off") << run;
        if (run == 0) {
            m.channel_box.set_text("12");  // typed while the write runs
            EXPECT_EQ(enabled(m.write_channel, m.write_to_remote), "off off");
            m.write_channel.click();
            EXPECT_EQ(r.serial.written.find("#sCh"), std::string::npos);
        }
        r.write_all();
        // Unlocked, the buttons follow what the box now holds.
        EXPECT_EQ(std::to_string(r.program.settings_write.running() + m.commands_locked) +
                      enabled(m.read_settings, m.write_channel, m.write_to_remote),
                  "0on on on")
            << run;
    }
    // A disconnect during the write ends it without enabling the device buttons again.
    m.write_settings.click();
    m.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(r.program.settings_write.running());
    EXPECT_EQ(enabled(m.read_settings, m.send_button), "off on");
    r.clock.advance(10000);
    EXPECT_TRUE(r.dialogs.shown.empty());
    m.write_settings.set_enabled(true);  // were it pressed all the same
    m.write_settings.click();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::link::kNotConnected});
}

}  // namespace
