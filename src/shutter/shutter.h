#pragma once
// The camera shutter: Shutter ON and OFF by hand, and the exposure sequencer (Auto Shutter,
// one tick a second) that runs a number of exposures of a fixed length separated by
// a fixed gap. Whether a run is on is the window's `sequencer_on`; where it stands is the text
// of its two counting labels, the elapsed time and the exposure number.

#include <optional>
#include <string>

#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/sound_player.h"
#include "platform/timer.h"
#include "ui/main_window.h"

namespace orv::shutter {

inline constexpr const char* kStartCaption = kAutoShutterStart;
inline constexpr const char* kStopCaption = "Auto Shutter STOP";
inline constexpr int kSequencerTickMs = 1000;

class Shutter {
public:
    Shutter(MainWindow& main, link::Transport& transport, platform::Timer& sequencer_timer,
            platform::SoundPlayer& sound, platform::Dialogs& dialogs);
    Shutter(const Shutter&) = delete;
    Shutter& operator=(const Shutter&) = delete;

    void shutter_on();
    void shutter_off();
    // The Auto Shutter button: starts a run while idle, stops the run that is on otherwise.
    void auto_shutter();

private:
    void start_run();
    void stop_run();
    void tick();
    // Why the exposure length and gap boxes cannot time a run, naming the box; nullopt when
    // they can.
    std::optional<std::string> timing_problem() const;
    std::optional<std::string> count_problem() const;
    // Stops the run that is on, then tells the user why.
    void abandon(const std::string& why);

    MainWindow& main_;
    link::Transport& transport_;
    platform::Timer& sequencer_timer_;
    platform::SoundPlayer& sound_;
    platform::Dialogs& dialogs_;
};

}  // namespace orv::shutter
