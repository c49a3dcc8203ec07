#include "shell/main_window.h"

#include "shell/number.h"

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

void text_box(ui::TextBox& t, const std::string& name, const std::string& text, bool enabled = true) {
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
    label(lblPort, "PORT");
    Combo1.set_accessible_name("PORT");
    button(Command8, "CONNECT", true);
    button(Command24, "Port Settings", true);
    label(lblOrvan, "Orvantis ver.");
    read_only_box(orvan, "Orvantis ver.");

    // RF channel
    label(lblChannel, "RF Channel", kRemoteOnly);
    text_box(Text1, "RF Channel", "#");
    button(Command9, "READ", false);
    button(Command10, "WRITE", false);
    button(Command11, "Write to Remote", false);

    // slew pad: the up arrow sends south and the left arrow east, as the box expects
    label(lblSlew, "SLEW");
    picture_button(Command1, ui::Picture::ArrowUp, "Slew south");
    picture_button(Command2, ui::Picture::ArrowRight, "Slew west");
    picture_button(Command3, ui::Picture::ArrowDown, "Slew north");
    picture_button(Command4, ui::Picture::ArrowLeft, "Slew east");
    picture_button(Command5, ui::Picture::Stop, "Stop slewing");
    check_box(Check1, "Pulse Guide Mode", "Pulse Guide Mode", true);
    Check1.set_tooltip("Generate a Pulse Slew command for time (in ms) specified below");
    text_box(pg_time, "Pulse time (ms)", "2000");
    label(lblMs, "ms");

    // focus
    button(Command6, "FOCUS", false);
    Command6.set_picture(ui::Picture::ArrowUp);
    Command6.set_description("Run the focuser up while held");
    button(Command7, "FOCUS ", false);
    Command7.set_picture(ui::Picture::ArrowDown);
    Command7.set_description("Run the focuser down while held");
    text_box(Text13, "Focus position", "5000");
    label(lblSetpoints, "Focus Setpoints");
    text_box(Text14, "Focus Setpoint 1", "");
    text_box(Text15, "Focus Setpoint 2", "");
    for (auto* bar : {&VScroll1, &VScroll2}) {
        bar->set_range(0, 9999);
        bar->set_small_change(10);
    }
    VScroll1.set_accessible_name("Focus Setpoint 1 spinner");
    VScroll2.set_accessible_name("Focus Setpoint 2 spinner");
    button(Command20, "SET", false);
    Command20.set_description("Store the focus position as setpoint 1");
    button(Command23, "SET", false);
    Command23.set_description("Store the focus position as setpoint 2");
    button(Command21, "Focus GOTO", false);
    Command21.set_description("Run the focuser to setpoint 1");
    button(Command22, "Focus GOTO", false);
    Command22.set_description("Run the focuser to setpoint 2");
    label(lblIncrement, "Scroll Increment Value");
    text_box(Text16, "Scroll Increment Value", "");

    // firmware
    text_box(Text8, "Firmware password", "");
    Text8.set_password(true);
    button(Command15, "FirmWare Upload", false);

    // direct commands
    label(lblDirect, "Send Direct LX200 commands");
    text_box(Text12, "Send Direct LX200 commands", "");
    button(Command19, "SEND", true);

    // device settings
    button(Command13, "Read Settings", false);
    button(Command14, "Write Settings", false);
    label(lblCode, "Product Code");
    read_only_box(code, "Product Code");
    label(lblFirm, "Firmware ver.");
    read_only_box(firm, "Firmware ver.");
    label(lblReversal, "Button Reversal");
    check_box(CheckRA, "Rev RA", "Rev RA", true);
    check_box(CheckDEC, "Rev DEC", "Rev DEC", true);
    label(lblExposure, "Camera Exposure Settings", kRemoteOnly);
    const char* rows[6] = {"Time #1", "Time #2", "Time #3", "Time #4", "Time #5", "Exp. Gap"};
    for (int i = 0; i < 6; ++i) {
        label(lblTime[i], rows[i]);
        text_box(*time_boxes[i], rows[i], "#", false);
    }
    label(lblAutoStar, "AutoStar2 Emulation Mode");
    check_box(Check2, "Enabled", "AutoStar2 Emulation Mode", false);
    label(lblSequential, "Sequential Guiding",
          "When Checked, Guiding is only done in one direction at a time. Guide commamds are "
          "que'ed if required");
    check_box(Check3, "Enabled", "Sequential Guiding", false);

    // shutter
    label(lblShutter, "Shutter Control (RF Remote Only)");
    button(Command16, "Shutter ON", false);
    button(Command17, "Shutter OFF", false);
    button(Command18, "Auto Shutter START", false);
    label(lblExpSecs, "Exp. secs");
    text_box(Text9, "Exp. secs", "120");
    label(lblExpGap, "Exp. Gap");
    text_box(Text10, "Exp. Gap", "15");
    label(lblExpCount, "Exp. Count");
    text_box(Text11, "Exp. Count", "10");
    stime.set_caption("0");
    stime.set_accessible_name("0");
    stime.set_description("Seconds into the current exposure");
    scount.set_caption("0");
    scount.set_accessible_name("0");
    scount.set_description("Number of the current exposure");
    Shape1.set_accessible_name("Shutter indicator");
    // Value labels read out their value.
    for (auto* l : {&stime, &scount})
        l->updated.connect([l] { l->set_accessible_name(l->caption()); });

    // exit
    button(Command12, "EXIT", true);

    Text1.changed.connect([this] { channel_box_rule(); });
}

void MainWindow::enable_controls(bool enable, const std::string& device_type) {
    if (device_type == "orvantis") {
        for (auto* b : {&Command9, &Command10, &Command11, &Command16, &Command17, &Command18})
            b->set_enabled(enable);
    }
    for (auto* b : {&Command1, &Command2, &Command3, &Command4, &Command5, &Command6, &Command7,
                    &Command13, &Command14, &Command15, &Command20, &Command21, &Command22,
                    &Command23})
        b->set_enabled(enable);
    if (enable) channel_box_rule();
}

void MainWindow::channel_box_rule() {
    const bool number = is_number(Text1.text());
    Command10.set_enabled(number);
    Command11.set_enabled(number);
}

std::vector<ui::Control*> MainWindow::all_controls() {
    std::vector<ui::Control*> all = {
        &lblPort, &Combo1, &Command8, &Command24, &lblOrvan, &orvan, &lblChannel, &Text1,
        &Command9, &Command10, &Command11, &lblSlew, &Command1, &Command2, &Command3, &Command4,
        &Command5, &Check1, &pg_time, &lblMs, &Command6, &Command7, &Text13, &lblSetpoints,
        &Text14, &Text15, &VScroll1, &VScroll2, &Command20, &Command21, &Command22, &Command23,
        &lblIncrement, &Text16, &Text8, &Command15, &lblDirect, &Text12, &Command19, &Command13,
        &Command14, &lblCode, &code, &lblFirm, &firm, &lblReversal, &CheckRA, &CheckDEC,
        &lblExposure, &Text2, &Text3, &Text4, &Text5, &Text6, &Text7, &lblAutoStar, &Check2,
        &lblSequential, &Check3, &lblShutter, &Command16, &Command17, &Command18, &lblExpSecs,
        &Text9, &lblExpGap, &Text10, &lblExpCount, &Text11, &stime, &scount, &Shape1, &Command12};
    for (auto& l : lblTime) all.push_back(&l);
    return all;
}

}  // namespace orv
