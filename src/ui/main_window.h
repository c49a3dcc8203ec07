#pragma once
// The main window, "Orvantis Utility x.21": its controls, their initial state, and the one
// operation that switches the device controls on and off.

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "ui/main_state.h"

namespace orv {

inline constexpr const char* kMainTitle = "Orvantis Utility x.21";
// The night mode's brightness levels, brightest first.
inline constexpr const char* kNightLevels[] = {"Bright", "Dim", "Dimmer"};
// The Auto Shutter caption while no exposure run is on.
inline constexpr const char* kAutoShutterStart = "Auto Shutter START";

class MainWindow : public ui::Window {
public:
    MainWindow();

    // Switches the device buttons on or off, in this order:
    //  1. only for device type "orvantis": READ, WRITE and "Write to Remote" of the RF channel,
    //     then Shutter ON, Shutter OFF and Auto Shutter;
    //  2. for any device type: the slew pad (up, right, down, left, stop), FOCUS up and down,
    //     Read Settings, Write Settings, Firmware Upload, then SET and Focus GOTO of setpoint 1
    //     and Focus GOTO and SET of setpoint 2;
    //  3. when switching on, the channel-box rule below, which may turn WRITE and
    //     "Write to Remote" off again.
    // CONNECT, the port settings button, SEND, EXIT and every box and check box stay as they are.
    void enable_controls(bool enable, const std::string& device_type);
    // WRITE and "Write to Remote" are usable only while the channel box holds a number, and
    // not at all while the command buttons are locked.
    void channel_box_rule();
    // What runs on the box and must be stopped before an exchange that needs the link to
    // itself may start: "" when nothing runs, else what the user has to stop.
    std::string run_in_progress() const;
    // Shows why `what` does not start now and returns true, when something runs.
    bool refuse_while_running(const std::string& what, platform::Dialogs& dialogs) const;
    // Tells the user that `what` cannot start while the boot loader has the link (the command
    // buttons are held for it), and returns true then.
    bool refuse_while_boot_loader(const std::string& what, platform::Dialogs& dialogs) const;

    MainState state;
    // Raised when whatever the program keeps running on the box must stop now, while the link
    // can still carry the stop: just before the link closes (DISCONNECT, a failed
    // identification, a lost link) and before the boot loader takes the link over.
    ui::Signal<> stop_runs;
    // The stop key (Escape, or Space on a slew button): everything that moves stops, as the
    // stop button and the releases stop it. An exposure run goes on; it has its own STOP.
    ui::Signal<> stop_key;
    // Raised when the link has closed, by any way, for every exchange still waiting on it.
    ui::Signal<> link_closed;
    // Raised whenever the link state changes.
    ui::Signal<> link_changed;
    // Set while a sequence has the link to itself (see CommandLock).
    bool commands_locked = false;

    // connection
    ui::Label port_label{"lblPort"};
    ui::ComboBox port_list{"Combo1"};
    ui::Button connect_button{"Command8"};  // "CONNECT", or "DISCONNECT" while a link is open
    ui::Button port_settings_button{"Command24"};
    // "Connecting to 127.0.0.1:4001…", "Asking the Orvantis…" while that goes on, else empty
    ui::Label link_progress{"lblProgress"};
    ui::Label identity_label{"lblOrvan"};
    ui::TextBox identity_box{"orvan"};  // the box's answer to identification
    // RF channel
    ui::Label channel_label{"lblChannel"};
    ui::TextBox channel_box{"Text1"};
    ui::Button read_channel{"Command9"};
    ui::Button write_channel{"Command10"};
    ui::Button write_to_remote{"Command11"};
    // slew pad, named by the arrow each button shows
    ui::Label slew_label{"lblSlew"};
    ui::Button slew_up{"Command1"};
    ui::Button slew_right{"Command2"};
    ui::Button slew_down{"Command3"};
    ui::Button slew_left{"Command4"};
    ui::Button slew_stop{"Command5"};
    ui::CheckBox pulse_mode{"Check1"};
    ui::TextBox pulse_time{"pg_time"};
    ui::Label pulse_unit_label{"lblMs"};
    // focus
    ui::Button focus_up{"Command6"};
    ui::Button focus_down{"Command7"};
    ui::TextBox focus_position{"Text13"};
    ui::Label setpoints_label{"lblSetpoints"};
    // Setpoint 1 and setpoint 2, each with its box, spinner, SET and Focus GOTO.
    ui::TextBox setpoint_box[2] = {ui::TextBox{"Text14"}, ui::TextBox{"Text15"}};
    ui::ScrollBar setpoint_spinner[2] = {ui::ScrollBar{"VScroll1"}, ui::ScrollBar{"VScroll2"}};
    ui::Button set_setpoint[2] = {ui::Button{"Command20"}, ui::Button{"Command23"}};
    ui::Button goto_setpoint[2] = {ui::Button{"Command21"}, ui::Button{"Command22"}};
    ui::Label increment_label{"lblIncrement"};
    ui::TextBox increment_box{"Text16"};
    // firmware
    ui::TextBox password_box{"Text8"};
    ui::Button firmware_upload{"Command15"};
    // direct commands
    ui::Label command_label{"lblDirect"};
    ui::TextBox command_box{"Text12"};
    ui::Button send_button{"Command19"};
    // the commands sent before, most recent first; choosing one puts it into the command box
    ui::ComboBox command_history{"cboHistory"};
    // Up and Down in the command box: an older or a newer command from the history
    ui::Signal<> command_older;
    ui::Signal<> command_newer;
    // device settings
    ui::Button read_settings{"Command13"};
    ui::Button write_settings{"Command14"};
    ui::Label product_code_label{"lblCode"};
    ui::TextBox product_code{"code"};
    ui::Label firmware_version_label{"lblFirm"};
    ui::TextBox firmware_version{"firm"};
    ui::Label reversal_label{"lblReversal"};
    ui::CheckBox rev_ra{"CheckRA"};
    ui::CheckBox rev_dec{"CheckDEC"};
    ui::Label exposure_settings_label{"lblExposure"};
    // Time #1 to Time #5 and Exp. Gap, with their row labels.
    ui::TextBox time_boxes[6] = {ui::TextBox{"Text2"}, ui::TextBox{"Text3"}, ui::TextBox{"Text4"},
                                 ui::TextBox{"Text5"}, ui::TextBox{"Text6"}, ui::TextBox{"Text7"}};
    ui::Label time_labels[6] = {ui::Label{"lblTime1"}, ui::Label{"lblTime2"}, ui::Label{"lblTime3"},
                                ui::Label{"lblTime4"}, ui::Label{"lblTime5"}, ui::Label{"lblGap"}};
    ui::Label autostar_label{"lblAutoStar"};
    ui::CheckBox autostar_mode{"Check2"};
    ui::Label sequential_label{"lblSequential"};
    ui::CheckBox sequential_guiding{"Check3"};
    // shutter
    ui::Label shutter_label{"lblShutter"};
    ui::Button shutter_on{"Command16"};
    ui::Button shutter_off{"Command17"};
    ui::Button auto_shutter{"Command18"};
    ui::Label exposure_secs_label{"lblExpSecs"};
    ui::TextBox exposure_secs{"Text9"};
    ui::Label exposure_gap_label{"lblExpGap"};
    ui::TextBox exposure_gap{"Text10"};
    ui::Label exposure_count_label{"lblExpCount"};
    ui::TextBox exposure_count{"Text11"};
    ui::Label elapsed_label{"stime"};           // seconds into the current exposure
    ui::Label exposure_number_label{"scount"};  // number of the current exposure
    ui::Shape shutter_indicator{"Shape1"};
    // Where an exposure run stands and when it ends, or how the last run ended; else empty.
    ui::Label run_progress{"lblRun"};
    // exit
    ui::Button exit_button{"Command12"};
    // opens the record of every byte to and from the box
    ui::Button traffic_button{"cmdTraffic"};
    // Every window red on black for the dark at the telescope (also Ctrl+N), dimmed further
    // by the brightness chosen: kNightLevels, brightest first.
    ui::CheckBox night_mode{"chkNight"};
    ui::Label night_brightness_label{"lblBrightness"};
    ui::ComboBox night_brightness{"cboBrightness"};

    // Every control, for checks that walk the whole window.
    std::vector<ui::Control*> all_controls();
};

}  // namespace orv
