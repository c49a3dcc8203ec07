#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/firmware_window.h"
#include "ui/main_window.h"
#include "ui/port_settings.h"

namespace {

using orv::MainWindow;

using Buttons = std::vector<orv::ui::Button*>;

// The six buttons that only an Orvantis box has, in the order enable_controls switches them.
Buttons orvantis_only(MainWindow& w) {
    return {&w.read_channel, &w.write_channel, &w.write_to_remote,
            &w.shutter_on,   &w.shutter_off,   &w.auto_shutter};
}
// The buttons for any device, in the order enable_controls switches them.
Buttons any_device(MainWindow& w) {
    return {&w.slew_up,          &w.slew_right,      &w.slew_down,       &w.slew_left,
            &w.slew_stop,        &w.focus_up,        &w.focus_down,      &w.read_settings,
            &w.write_settings,   &w.firmware_upload, &w.set_setpoint[0], &w.goto_setpoint[0],
            &w.goto_setpoint[1], &w.set_setpoint[1]};
}
Buttons always_on(MainWindow& w) {
    return {&w.connect_button, &w.port_settings_button, &w.send_button, &w.exit_button,
            &w.traffic_button};
}

void expect_enabled(const Buttons& buttons, bool enabled) {
    for (auto* b : buttons) EXPECT_EQ(b->enabled(), enabled) << b->name();
}

int button_count(MainWindow& w) {
    int n = 0;
    for (auto* c : w.all_controls()) n += dynamic_cast<orv::ui::Button*>(c) != nullptr ? 1 : 0;
    return n;
}

TEST(MainWindow, StartsWithOnlyConnectionSendExitAndTheBoxesUsable) {
    MainWindow w;
    EXPECT_EQ(w.title(), "Orvantis Utility x.21");
    expect_enabled(always_on(w), true);
    expect_enabled(orvantis_only(w), false);
    expect_enabled(any_device(w), false);
    EXPECT_EQ(button_count(w), 25);

    EXPECT_EQ(w.connect_button.caption(), "CONNECT");
    EXPECT_EQ(w.channel_box.text(), "#");
    EXPECT_EQ(w.pulse_time.text(), "2000");
    EXPECT_EQ(w.focus_position.text(), "5000");
    EXPECT_EQ(w.focus_down.caption(), "FOCUS ");
    EXPECT_EQ(w.auto_shutter.caption(), "Auto Shutter START");
    EXPECT_EQ(w.exposure_secs.text(), "120");
    EXPECT_EQ(w.exposure_gap.text(), "15");
    EXPECT_EQ(w.exposure_count.text(), "10");
    EXPECT_EQ(w.elapsed_label.caption(), "0");
    EXPECT_EQ(w.exposure_number_label.caption(), "0");
    for (auto& t : w.time_boxes) {
        EXPECT_EQ(t.text(), "#");
        EXPECT_FALSE(t.enabled());
    }
    EXPECT_FALSE(w.autostar_mode.enabled());
    EXPECT_FALSE(w.sequential_guiding.enabled());
    EXPECT_TRUE(w.rev_ra.enabled());
    EXPECT_TRUE(w.pulse_mode.enabled());
    EXPECT_TRUE(w.command_box.enabled());
    EXPECT_TRUE(w.identity_box.read_only());
    EXPECT_TRUE(w.product_code.read_only());
    EXPECT_TRUE(w.firmware_version.read_only());
    EXPECT_TRUE(w.password_box.password());
    // Lists that only offer their entries, and what the buttons without a caption of their
    // own tell a screen reader and a pointer.
    EXPECT_TRUE(w.command_history.choice_only());
    EXPECT_TRUE(w.night_brightness.choice_only());
    EXPECT_FALSE(w.port_list.choice_only());
    EXPECT_EQ(w.night_brightness.text(), "Bright");
    EXPECT_EQ(w.night_mode.value(), 0);
    EXPECT_FALSE(w.night_mode.tooltip().empty());
    EXPECT_NE(w.focus_up.description(), w.focus_down.description());
    EXPECT_FALSE(w.focus_down.description().empty());
    using orv::ui::Picture;
    for (auto [button, picture] :
         {std::pair{&w.slew_up, Picture::ArrowUp}, std::pair{&w.slew_down, Picture::ArrowDown},
          std::pair{&w.slew_left, Picture::ArrowLeft},
          std::pair{&w.slew_right, Picture::ArrowRight}, std::pair{&w.slew_stop, Picture::Stop},
          std::pair{&w.focus_up, Picture::ArrowUp}, std::pair{&w.focus_down, Picture::ArrowDown}})
        EXPECT_EQ(button->picture(), picture) << button->name();
}

TEST(MainWindow, EveryControlOfEveryWindowHasAnAccessibleName) {
    MainWindow w;
    for (auto* c : w.all_controls()) EXPECT_FALSE(c->accessible_name().empty()) << c->name();
    orv::FirmwareWindow firmware;
    for (auto* c : firmware.all_controls()) EXPECT_FALSE(c->accessible_name().empty()) << c->name();
    orv::PortSettingsWindow settings;
    for (auto* c : settings.all_controls()) EXPECT_FALSE(c->accessible_name().empty()) << c->name();
    EXPECT_EQ(w.port_list.accessible_name(), "PORT");
    EXPECT_EQ(w.autostar_mode.accessible_name(), "AutoStar2 Emulation Mode");
    EXPECT_EQ(w.slew_up.accessible_name(), "Slew south");
    EXPECT_EQ(w.read_settings.accessible_name(), "Read Settings");
    // A value label reads out its value.
    w.elapsed_label.set_caption("17");
    EXPECT_EQ(w.elapsed_label.accessible_name(), "Seconds into exposure: 17");
    EXPECT_FALSE(w.elapsed_label.description().empty());
    w.exposure_number_label.set_caption("3");
    EXPECT_EQ(w.exposure_number_label.accessible_name(), "Exposure number: 3");
    EXPECT_EQ(w.shutter_indicator.accessible_name(), "Shutter indicator: off");
    w.shutter_indicator.set_fill_color(orv::ui::Colour::Green);
    EXPECT_EQ(w.shutter_indicator.accessible_name(), "Shutter indicator: on");
    w.shutter_indicator.set_fill_color(orv::ui::Colour::Red);
    EXPECT_EQ(w.shutter_indicator.accessible_name(), "Shutter indicator: off");
}

TEST(EnableControls, OrvantisWithHashInTheChannelBoxLeavesTheChannelWritesOff) {
    MainWindow w;
    std::vector<std::pair<orv::ui::Control*, bool>> order;
    for (auto* c : w.all_controls())
        c->updated.connect([&order, c] { order.emplace_back(c, c->enabled()); });
    w.enable_controls(true, "orvantis");
    expect_enabled(any_device(w), true);
    expect_enabled({&w.read_channel, &w.shutter_on, &w.shutter_off, &w.auto_shutter}, true);
    expect_enabled({&w.write_channel, &w.write_to_remote}, false);
    // Switched on in the two steps, then WRITE and Write to Remote off again by the
    // channel-box rule.
    std::vector<std::pair<orv::ui::Control*, bool>> expected;
    for (auto* b : orvantis_only(w)) expected.emplace_back(b, true);
    for (auto* b : any_device(w)) expected.emplace_back(b, true);
    expected.emplace_back(&w.write_channel, false);
    expected.emplace_back(&w.write_to_remote, false);
    EXPECT_EQ(order, expected);
}

TEST(EnableControls, Lx200LeavesTheSixOrvantisButtonsAlone) {
    MainWindow w;
    w.channel_box.set_text("12");  // the rule enables WRITE and Write to Remote already
    w.enable_controls(true, "lx200");
    expect_enabled(any_device(w), true);
    expect_enabled({&w.read_channel, &w.shutter_on, &w.shutter_off, &w.auto_shutter}, false);
    expect_enabled({&w.write_channel, &w.write_to_remote}, true);

    // Disconnecting from an LX200 emulator leaves those six as they were.
    w.enable_controls(false, "lx200");
    expect_enabled(any_device(w), false);
    expect_enabled({&w.write_channel, &w.write_to_remote}, true);
    expect_enabled(always_on(w), true);
}

TEST(ChannelBoxRule, FollowsEveryChangeOfTheTextWhoeverMakesIt) {
    MainWindow w;
    struct Case {
        const char* text;
        bool enabled;
    };
    for (const Case& c : {Case{"7", true}, Case{"#", false}, Case{" 12.5 ", true},
                          Case{"-1", true}, Case{"", false}, Case{"1e2", false},
                          Case{"255", true}, Case{"abc", false}}) {
        w.channel_box.set_text(c.text);
        EXPECT_EQ(w.write_channel.enabled(), c.enabled) << c.text;
        EXPECT_EQ(w.write_to_remote.enabled(), c.enabled) << c.text;
        // Nothing else is touched, whatever the connection.
        EXPECT_FALSE(w.read_channel.enabled());
    }
}

}  // namespace
