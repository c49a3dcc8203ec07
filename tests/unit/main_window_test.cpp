#include <algorithm>

#include "connected_rig.h"
#include "ui/firmware_window.h"
#include "ui/main_window.h"
#include "ui/port_settings.h"

namespace {

using orv::MainWindow;
using orv::fake::enabled;

// "on"/"off" of the six buttons only an Orvantis box has, then of the buttons for any device, of
// those always usable, in the order enable_controls switches them.
std::string buttons(MainWindow& w) {
    return enabled(w.read_channel, w.write_channel, w.write_to_remote, w.shutter_on, w.shutter_off,
                   w.auto_shutter) +
           " | " +
           enabled(w.slew_up, w.slew_right, w.slew_down, w.slew_left, w.slew_stop, w.focus_up,
                   w.focus_down, w.read_settings, w.write_settings, w.firmware_upload,
                   w.set_setpoint[0], w.goto_setpoint[0], w.goto_setpoint[1], w.set_setpoint[1]) +
           " | " +
           enabled(w.connect_button, w.port_settings_button, w.send_button, w.exit_button,
                   w.traffic_button);
}
const std::string kAnyOff = "off off off off off off off off off off off off off off";
const std::string kAnyOn = "on on on on on on on on on on on on on on";
const std::string kAlwaysOn = "on on on on on";

TEST(MainWindow, StartsWithOnlyConnectionSendExitAndTheBoxesUsable) {
    MainWindow w;
    EXPECT_EQ(buttons(w), "off off off off off off | " + kAnyOff + " | " + kAlwaysOn);
    const auto is_button = [](auto* c) { return dynamic_cast<orv::ui::Button*>(c) != nullptr; };
    EXPECT_EQ(std::ranges::count_if(w.all_controls(), is_button), 25);
    EXPECT_EQ(
        orv::fake::joined({w.title(), w.connect_button.caption(), w.channel_box.text(),
                           w.pulse_time.text(), w.focus_position.text(), w.focus_down.caption(),
                           w.auto_shutter.caption(), w.exposure_secs.text(), w.exposure_gap.text(),
                           w.exposure_count.text(), w.elapsed_label.caption(),
                           w.exposure_number_label.caption(), w.night_brightness.text()}),
        "Orvantis Utility x.21 CONNECT # 2000 5000 FOCUS  Auto Shutter START 120 15 10 0 0 "
        "Bright");
    for (auto& t : w.time_boxes) EXPECT_EQ(t.text() + " " + enabled(t), "# off");
    EXPECT_EQ(enabled(w.autostar_mode, w.sequential_guiding, w.rev_ra, w.rev_dec, w.pulse_mode,
                      w.command_box, w.night_mode),
              "off off on on on on on");
    // The setpoint spinners step by 10 over 0 to 9999.
    for (auto& bar : w.setpoint_spinner)
        EXPECT_EQ(std::vector({bar.minimum(), bar.maximum(), bar.small_change()}),
                  std::vector({0, 9999, 10}));
    // Read-only boxes, the password's box, lists that only offer their entries, and what the
    // buttons without a caption of their own tell a screen reader and a pointer.
    EXPECT_EQ(
        (std::vector<bool>{
            w.identity_box.read_only(), w.product_code.read_only(), w.firmware_version.read_only(),
            w.password_box.password(), w.command_history.choice_only(),
            w.night_brightness.choice_only(), w.port_list.choice_only(),
            w.night_mode.tooltip().empty(), w.focus_down.description().empty(),
            w.focus_up.description() == w.focus_down.description(),
            w.exposure_number_label.description().empty(), w.traffic_button.description().empty()}),
        (std::vector<bool>{true, true, true, true, true, true, false, false, false, false, false,
                           false}));
    EXPECT_EQ(w.night_mode.value(), 0);
    using enum orv::ui::Picture;
    EXPECT_EQ((std::vector{w.slew_up.picture(), w.slew_down.picture(), w.slew_left.picture(),
                           w.slew_right.picture(), w.slew_stop.picture(), w.focus_up.picture(),
                           w.focus_down.picture()}),
              (std::vector{ArrowUp, ArrowDown, ArrowLeft, ArrowRight, Stop, ArrowUp, ArrowDown}));
}

TEST(MainWindow, EveryControlOfEveryWindowHasAnAccessibleName) {
    MainWindow w;
    orv::FirmwareWindow firmware;
    orv::PortSettingsWindow settings;
    for (const auto& controls :
         {w.all_controls(), firmware.all_controls(), settings.all_controls()})
        for (auto* c : controls) EXPECT_FALSE(c->accessible_name().empty()) << c->name();
    EXPECT_EQ(orv::fake::joined({settings.serial_label.caption(), settings.baud_label.caption(),
                                 settings.tcp_label.caption(), settings.ip_address_label.caption(),
                                 settings.ip_port_label.caption(), settings.ok_button.caption()}),
              "CommPort Settings BAUDRATE TCP Port Settings IP Address IP Port OK");
    // A value label reads out its value.
    w.elapsed_label.set_caption("17");
    w.exposure_number_label.set_caption("3");
    Texts names = {w.port_list.accessible_name(),        w.autostar_mode.accessible_name(),
                   w.slew_up.accessible_name(),          w.read_settings.accessible_name(),
                   w.elapsed_label.accessible_name(),    w.exposure_number_label.accessible_name(),
                   w.shutter_indicator.accessible_name()};
    w.shutter_indicator.set_fill_color(orv::ui::Colour::Green);
    names.push_back(w.shutter_indicator.accessible_name());
    w.shutter_indicator.set_fill_color(orv::ui::Colour::Red);
    names.push_back(w.shutter_indicator.accessible_name());
    EXPECT_EQ(names,
              (Texts{"PORT", "AutoStar2 Emulation Mode", "Slew south", "Read Settings",
                     "Seconds into exposure: 17", "Exposure number: 3", "Shutter indicator: off",
                     "Shutter indicator: on", "Shutter indicator: off"}));
    EXPECT_FALSE(w.elapsed_label.description().empty() || w.pulse_mode.tooltip().empty());
    // Buttons with the same caption are told apart by what they do.
    const std::pair<orv::ui::Control*, orv::ui::Control*> alike[] = {
        {&w.focus_up, &w.focus_down},
        {&w.set_setpoint[0], &w.set_setpoint[1]},
        {&w.goto_setpoint[0], &w.goto_setpoint[1]}};
    for (const auto& [a, b] : alike) {
        EXPECT_FALSE(a->description().empty() || b->description().empty()) << a->name();
        EXPECT_NE(a->description(), b->description()) << a->name();
    }
}

// Switched on in the two steps, then WRITE and Write to Remote off again by the channel-box rule
// while the channel box holds "#"; an LX200 emulator leaves the six Orvantis buttons alone.
TEST(EnableControls, SwitchesTheButtonsForTheDeviceInOrderAndTheChannelBoxRuleLast) {
    MainWindow w;
    Texts order;
    for (auto* c : w.all_controls())
        c->updated.connect([&order, c] { order.push_back(c->name() + " " + enabled(*c)); });
    w.enable_controls(true, "orvantis");
    EXPECT_EQ(buttons(w), "on off off on on on | " + kAnyOn + " | " + kAlwaysOn);
    Texts expected;
    for (auto* b :
         {&w.read_channel,    &w.write_channel,    &w.write_to_remote,  &w.shutter_on,
          &w.shutter_off,     &w.auto_shutter,     &w.slew_up,          &w.slew_right,
          &w.slew_down,       &w.slew_left,        &w.slew_stop,        &w.focus_up,
          &w.focus_down,      &w.read_settings,    &w.write_settings,   &w.firmware_upload,
          &w.set_setpoint[0], &w.goto_setpoint[0], &w.goto_setpoint[1], &w.set_setpoint[1]})
        expected.push_back(b->name() + " on");
    expected.push_back(w.write_channel.name() + " off");
    expected.push_back(w.write_to_remote.name() + " off");
    EXPECT_EQ(order, expected);

    MainWindow lx;
    lx.channel_box.set_text("12");  // the rule enables WRITE and Write to Remote already
    lx.enable_controls(true, "lx200");
    EXPECT_EQ(buttons(lx), "off on on off off off | " + kAnyOn + " | " + kAlwaysOn);
    // Disconnecting from an LX200 emulator leaves those six as they were.
    lx.enable_controls(false, "lx200");
    EXPECT_EQ(buttons(lx), "off on on off off off | " + kAnyOff + " | " + kAlwaysOn);
}

TEST(ChannelBoxRule, FollowsEveryChangeOfTheTextWhoeverMakesIt) {
    MainWindow w;
    for (const auto& [text, on] : {std::pair{"7", "on on off"},
                                   {"#", "off off off"},
                                   {" 12.5 ", "on on off"},
                                   {"-1", "on on off"},
                                   {"", "off off off"},
                                   {"1e2", "off off off"},
                                   {"255", "on on off"},
                                   {"abc", "off off off"}}) {
        w.channel_box.set_text(text);
        // Nothing else is touched, whatever the connection.
        EXPECT_EQ(enabled(w.write_channel, w.write_to_remote, w.read_channel), on) << text;
    }
}

}  // namespace
