#pragma once
// The focus panel: the FOCUS buttons run the focuser while held, the position box counts focus
// timer ticks (one every 10 ms) as the focuser's position, and two setpoints with SET, Focus GOTO
// and a spinner each let the user store positions and run back to them.

#include <cstdint>
#include <optional>
#include <string>

#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/timer.h"
#include "ui/main_window.h"

namespace orv::handcontrol {

// One position unit is one tick of the focus timer.
inline constexpr int kFocusTickMs = 10;

class FocusPanel {
public:
    FocusPanel(MainWindow& main, link::Transport& transport, platform::Timer& focus_timer,
               platform::Dialogs& dialogs);
    FocusPanel(const FocusPanel&) = delete;
    FocusPanel& operator=(const FocusPanel&) = delete;

private:
    struct Row {
        int n;
        ui::TextBox& setpoint;
        ui::ScrollBar& spinner;
        bool& flag;
    };

    void press(std::int16_t sign);
    void release();
    void tick();
    void go_to(Row& row);
    void set(Row& row);
    void setpoint_changed(Row& row);
    void increment_changed();
    // Ends a run that is on (timer off, both flags clear, "#FQ#"), then shows why.
    void refuse(const std::string& why);
    void run_timer();
    void stop_timer();

    MainWindow& main_;
    MainState& s_;
    link::Transport& transport_;
    platform::Timer& focus_timer_;
    platform::Dialogs& dialogs_;
    Row rows_[2];
    // A FOCUS press that was refused, or whose run the stop key ended: its release has
    // nothing to stop.
    bool refused_press_ = false;
    bool held_ = false;  // a FOCUS button is down
};

}  // namespace orv::handcontrol
