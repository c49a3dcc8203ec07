#pragma once
// The slew pad: four arrow buttons that move the mount while held (or send one timed guide
// pulse each in pulse mode), the centre stop button, and the pulse guide mode with its time box.

#include "link/transport.h"
#include "platform/dialogs.h"
#include "ui/main_window.h"

namespace orv::handcontrol {

inline constexpr const char* kPulseTooLong =
    "Incorrect time Format. Time must be less than 5 digits";
inline constexpr const char* kPulseNotNumber = "Incorrect time Format. Time must be a number";

class SlewPad {
public:
    SlewPad(MainWindow& main, link::Transport& transport, platform::Dialogs& dialogs);
    SlewPad(const SlewPad&) = delete;
    SlewPad& operator=(const SlewPad&) = delete;

private:
    // d is the direction letter the box expects (see the table in the constructor).
    void press(char d);
    void release(char d);
    bool pulse_mode() const;

    MainWindow& main_;
    link::Transport& transport_;
    platform::Dialogs& dialogs_;
    bool moving_ = false;          // an arrow is held in continuous mode
    // A way out or the stop key ended that hold: its release is silent.
    bool stopped_for_exit_ = false;
};

}  // namespace orv::handcontrol
