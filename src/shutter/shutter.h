#pragma once
// The camera shutter: Shutter ON and OFF by hand, and the exposure sequencer (Auto Shutter,
// one tick a second) that runs a number of exposures of a fixed length separated by
// a fixed gap. Whether a run is on is the window's `sequencer_on`; where it stands is the text
// of its two counting labels, the elapsed time and the exposure number.

#include <functional>
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

// The local time of day `seconds` from now.
std::string local_clock_in(int seconds);

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

    // The local clock time `seconds` from now, "23:41:05": when a run will end, or ended.
    std::function<std::string(int seconds)> clock_in = local_clock_in;

private:
    void start_run();
    // `how` the run came to its end: "ended" after its last exposure, else "stopped".
    void stop_run(const char* how);
    void tick();
    // One second of the run: the sequencer's own rules, without the run line.
    void step();
    // Why the exposure length and gap boxes cannot time a run, naming the box; nullopt when
    // they can.
    std::optional<std::string> timing_problem() const;
    std::optional<std::string> count_problem() const;
    // Stops the run that is on, then tells the user why.
    void abandon(const std::string& why);
    // The run's line: the exposure out of the count, the time left and the clock time at
    // which the run ends, from the same schedule the ticks follow.
    void show_progress();
    void show_end(const char* how);
    // The link was lost: what this left running on the box, for the lost-link message.
    void note_cut_off();

    MainWindow& main_;
    link::Transport& transport_;
    platform::Timer& sequencer_timer_;
    platform::SoundPlayer& sound_;
    platform::Dialogs& dialogs_;
    int completed_ = 0;  // exposures of this run closed at their full length
};

}  // namespace orv::shutter
