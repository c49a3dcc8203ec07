#include "ui/main_window.h"

#include "ui/number.h"

namespace orv {

namespace {

constexpr const char* kRemoteOnly = "Orvantis RF Remote Only";

void button(ui::Button& b, const std::string& caption, bool enabled) {
    b.set_caption(caption);
    b.set_accessible_name(caption);
    b.set_enabled(enabled);
}

void picture_button(ui::Button& b, ui::Picture picture, const std::string& does) {
    b.set_picture(picture);
    b.set_accessible_name(does);
    b.set_enabled(false);
}

void label(ui::Label& l, const std::string& caption, const std::string& tooltip = {}) {
    l.set_caption(caption);
    l.set_accessible_name(caption);
    l.set_tooltip(tooltip);
}

void text_box(ui::TextBox& t, const std::string& name, const std::string& text,
              bool enabled = true) {
    t.set_accessible_name(name);
    t.set_text(text);
    t.set_enabled(enabled);
}

void read_only_box(ui::TextBox& t, const std::string& name) {
    t.set_accessible_name(name);
    t.set_read_only(true);
}

void check_box(ui::CheckBox& c, const std::string& caption, const std::string& name, bool enabled) {
    c.set_caption(caption);
    c.set_accessible_name(name);
    c.set_enabled(enabled);
}

}  // namespace

MainWindow::MainWindow() : ui::Window(kMainTitle) {
    // connection
    label(port_label, "PORT");
    port_list.set_accessible_name("PORT");
    button(connect_button, "CONNECT", true);
    button(port_settings_button, "Port Settings", true);
    label(identity_label, "Orvantis ver.");
    read_only_box(identity_box, "Orvantis ver.");

    // RF channel
    label(channel_label, "RF Channel", kRemoteOnly);
    text_box(channel_box, "RF Channel", "#");
    button(read_channel, "READ", false);
    button(write_channel, "WRITE", false);
    button(write_to_remote, "Write to Remote", false);

    // slew pad: the up arrow sends south and the left arrow east, as the box expects
    label(slew_label, "SLEW");
    picture_button(slew_up, ui::Picture::ArrowUp, "Slew south");
    picture_button(slew_right, ui::Picture::ArrowRight, "Slew west");
    picture_button(slew_down, ui::Picture::ArrowDown, "Slew north");
    picture_button(slew_left, ui::Picture::ArrowLeft, "Slew east");
    picture_button(slew_stop, ui::Picture::Stop, "Stop slewing");
    check_box(pulse_mode, "Pulse Guide Mode", "Pulse Guide Mode", true);
    pulse_mode.set_tooltip("Generate a Pulse Slew command for time (in ms) specified below");
    text_box(pulse_time, "Pulse time (ms)", "2000");
    label(pulse_unit_label, "ms");

    // focus
    button(focus_up, "FOCUS", false);
    focus_up.set_picture(ui::Picture::ArrowUp);
    focus_up.set_description("Run the focuser up while held");
    button(focus_down, "FOCUS ", false);
    focus_down.set_picture(ui::Picture::ArrowDown);
    focus_down.set_description("Run the focuser down while held");
    text_box(focus_position, "Focus position", "5000");
    label(setpoints_label, "Focus Setpoints");
    text_box(setpoint_box[0], "Focus Setpoint 1", "");
    text_box(setpoint_box[1], "Focus Setpoint 2", "");
    for (auto* bar : {&setpoint_spinner[0], &setpoint_spinner[1]}) {
        bar->set_range(0, 9999);
        bar->set_small_change(10);
    }
    setpoint_spinner[0].set_accessible_name("Focus Setpoint 1 spinner");
    setpoint_spinner[1].set_accessible_name("Focus Setpoint 2 spinner");
    button(set_setpoint[0], "SET", false);
    set_setpoint[0].set_description("Store the focus position as setpoint 1");
    button(set_setpoint[1], "SET", false);
    set_setpoint[1].set_description("Store the focus position as setpoint 2");
    button(goto_setpoint[0], "Focus GOTO", false);
    goto_setpoint[0].set_description("Run the focuser to setpoint 1");
    button(goto_setpoint[1], "Focus GOTO", false);
    goto_setpoint[1].set_description("Run the focuser to setpoint 2");
    label(increment_label, "Scroll Increment Value");
    text_box(increment_box, "Scroll Increment Value", "");

    // firmware
    text_box(password_box, "Firmware password", "");
    password_box.set_password(true);
    button(firmware_upload, "FirmWare Upload", false);

    // direct commands
    label(command_label, "Send Direct LX200 commands");
    text_box(command_box, "Send Direct LX200 commands", "");
    button(send_button, "SEND", true);
    command_history.set_accessible_name("Earlier commands");
    command_history.set_choice_only(true);

    // device settings
    button(read_settings, "Read Settings", false);
    button(write_settings, "Write Settings", false);
    label(product_code_label, "Product Code");
    read_only_box(product_code, "Product Code");
    label(firmware_version_label, "Firmware ver.");
    read_only_box(firmware_version, "Firmware ver.");
    label(reversal_label, "Button Reversal");
    check_box(rev_ra, "Rev RA", "Rev RA", true);
    check_box(rev_dec, "Rev DEC", "Rev DEC", true);
    label(exposure_settings_label, "Camera Exposure Settings", kRemoteOnly);
    const char* rows[6] = {"Time #1", "Time #2", "Time #3", "Time #4", "Time #5", "Exp. Gap"};
    for (int i = 0; i < 6; ++i) {
        label(time_labels[i], rows[i]);
        text_box(time_boxes[i], rows[i], "#", false);
    }
    label(autostar_label, "AutoStar2 Emulation Mode");
    check_box(autostar_mode, "Enabled", "AutoStar2 Emulation Mode", false);
    label(sequential_label, "Sequential Guiding",
          "When Checked, Guiding is only done in one direction at a time. Guide commamds are "
          "que'ed if required");
    check_box(sequential_guiding, "Enabled", "Sequential Guiding", false);

    // shutter
    label(shutter_label, "Shutter Control (RF Remote Only)");
    button(shutter_on, "Shutter ON", false);
    button(shutter_off, "Shutter OFF", false);
    button(auto_shutter, kAutoShutterStart, false);
    label(exposure_secs_label, "Exp. secs");
    text_box(exposure_secs, "Exp. secs", "120");
    label(exposure_gap_label, "Exp. Gap");
    text_box(exposure_gap, "Exp. Gap", "15");
    label(exposure_count_label, "Exp. Count");
    text_box(exposure_count, "Exp. Count", "10");
    elapsed_label.set_caption("0");
    elapsed_label.set_description("Seconds into the current exposure");
    exposure_number_label.set_caption("0");
    exposure_number_label.set_description("Number of the current exposure");
    // The counters and the indicator read out what they are and what they show now.
    const auto name_value = [](ui::Label& l, const std::string& what) {
        l.set_accessible_name(what + ": " + l.caption());
        l.updated.connect([&l, what] { l.set_accessible_name(what + ": " + l.caption()); });
    };
    name_value(elapsed_label, "Seconds into exposure");
    name_value(exposure_number_label, "Exposure number");
    const auto indicator_name = [this] {
        shutter_indicator.set_accessible_name(
            std::string("Shutter indicator: ") +
            (shutter_indicator.fill_color() == ui::Colour::Green ? "on" : "off"));
    };
    indicator_name();
    shutter_indicator.updated.connect(indicator_name);

    // Lines that come and go are read out as what they say, or as their role while they
    // say nothing: under the port list what the link is doing while it is being made, and in
    // the shutter group where an exposure run stands.
    const auto says_or_is = [](ui::Label& l, const std::string& role) {
        l.set_accessible_name(role);
        l.updated.connect(
            [&l, role] { l.set_accessible_name(l.caption().empty() ? role : l.caption()); });
    };
    says_or_is(link_progress, "Connection progress");
    says_or_is(run_progress, "Exposure run progress");

    // exit
    button(exit_button, "EXIT", true);
    button(traffic_button, "Traffic", true);
    check_box(night_mode, "Night mode", "Night mode", true);
    night_mode.set_tooltip("Red on black in every window, to keep your eyes dark-adapted (Ctrl+N)");
    label(night_brightness_label, "Brightness");
    night_brightness.set_accessible_name("Brightness");
    night_brightness.set_choice_only(true);
    for (const char* level : kNightLevels) night_brightness.add_item(level);
    night_brightness.set_text(kNightLevels[0]);
    traffic_button.set_description("Every byte sent to the Orvantis and received from it");

    // Alt and a letter of the caption press the main buttons, whichever control has the focus.
    for (auto [b, key] : {std::pair{&connect_button, 'C'}, std::pair{&port_settings_button, 'P'},
                          std::pair{&send_button, 'N'}, std::pair{&read_settings, 'R'},
                          std::pair{&write_settings, 'W'}, std::pair{&firmware_upload, 'U'},
                          std::pair{&auto_shutter, 'A'}, std::pair{&traffic_button, 'T'},
                          std::pair{&exit_button, 'X'}})
        b->set_access_key(key);

    channel_box.changed.connect([this] { channel_box_rule(); });
}

void MainWindow::enable_controls(bool enable, const std::string& device_type) {
    if (device_type == "orvantis") {
        for (auto* b : {&read_channel, &write_channel, &write_to_remote, &shutter_on, &shutter_off,
                        &auto_shutter})
            b->set_enabled(enable);
    }
    for (auto* b : {&slew_up, &slew_right, &slew_down, &slew_left, &slew_stop, &focus_up,
                    &focus_down, &read_settings, &write_settings, &firmware_upload,
                    &set_setpoint[0], &goto_setpoint[0], &goto_setpoint[1], &set_setpoint[1]})
        b->set_enabled(enable);
    if (enable) channel_box_rule();
}

void MainWindow::channel_box_rule() {
    if (commands_locked) return;
    const bool number = is_number(channel_box.text());
    write_channel.set_enabled(number);
    write_to_remote.set_enabled(number);
}

std::string MainWindow::run_in_progress() const {
    if (state.focus_goto1 || state.focus_goto2) return "the Focus GOTO run (click FOCUS to stop it)";
    if (state.sequencer_on) return "the Auto Shutter run (press Auto Shutter STOP)";
    return {};
}

bool MainWindow::refuse_while_boot_loader(const std::string& what,
                                          platform::Dialogs& dialogs) const {
    if (!commands_locked) return false;
    dialogs.message(what +
                        " cannot run while the Orvantis is in its boot loader: finish the "
                        "firmware update, then connect again.",
                    "");
    return true;
}

bool MainWindow::refuse_while_running(const std::string& what, platform::Dialogs& dialogs) const {
    const std::string run = run_in_progress();
    if (run.empty()) return false;
    dialogs.message(what + " needs the link to itself: stop " + run + " first, then press " +
                        what + " again.",
                    "");
    return true;
}

std::vector<ui::Control*> MainWindow::all_controls() {
    std::vector<ui::Control*> all = {&port_label,
                                     &port_list,
                                     &connect_button,
                                     &port_settings_button,
                                     &link_progress,
                                     &identity_label,
                                     &identity_box,
                                     &channel_label,
                                     &channel_box,
                                     &read_channel,
                                     &write_channel,
                                     &write_to_remote,
                                     &slew_label,
                                     &slew_up,
                                     &slew_right,
                                     &slew_down,
                                     &slew_left,
                                     &slew_stop,
                                     &pulse_mode,
                                     &pulse_time,
                                     &pulse_unit_label,
                                     &focus_up,
                                     &focus_down,
                                     &focus_position,
                                     &setpoints_label,
                                     &setpoint_box[0],
                                     &setpoint_box[1],
                                     &setpoint_spinner[0],
                                     &setpoint_spinner[1],
                                     &set_setpoint[0],
                                     &goto_setpoint[0],
                                     &goto_setpoint[1],
                                     &set_setpoint[1],
                                     &increment_label,
                                     &increment_box,
                                     &password_box,
                                     &firmware_upload,
                                     &command_label,
                                     &command_box,
                                     &send_button,
                                     &command_history,
                                     &read_settings,
                                     &write_settings,
                                     &product_code_label,
                                     &product_code,
                                     &firmware_version_label,
                                     &firmware_version,
                                     &reversal_label,
                                     &rev_ra,
                                     &rev_dec,
                                     &exposure_settings_label,
                                     &time_boxes[0],
                                     &time_boxes[1],
                                     &time_boxes[2],
                                     &time_boxes[3],
                                     &time_boxes[4],
                                     &time_boxes[5],
                                     &autostar_label,
                                     &autostar_mode,
                                     &sequential_label,
                                     &sequential_guiding,
                                     &shutter_label,
                                     &shutter_on,
                                     &shutter_off,
                                     &auto_shutter,
                                     &exposure_secs_label,
                                     &exposure_secs,
                                     &exposure_gap_label,
                                     &exposure_gap,
                                     &exposure_count_label,
                                     &exposure_count,
                                     &elapsed_label,
                                     &exposure_number_label,
                                     &shutter_indicator,
                                     &run_progress,
                                     &night_mode,
                                     &night_brightness_label,
                                     &night_brightness,
                                     &exit_button,
                                     &traffic_button};
    for (auto& l : time_labels) all.push_back(&l);
    return all;
}

}  // namespace orv
