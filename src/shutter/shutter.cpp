#include "shutter/shutter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "link/protocol.h"

namespace orv::shutter {

namespace {

constexpr int kMaxSeconds = 32767;  // the sum of length and gap is 16-bit signed

// The value of a box holding a plain whole number: digits only, no sign, blank or leading
// zero, so that its text is exactly the text the counting labels will show.
std::optional<int> plain_number(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.front() == '0') return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string seconds_rule(const std::string& label, const std::string& example) {
    return label + " must be a whole number of seconds from 1 to " +
           std::to_string(kMaxSeconds - 1) + ", typed as plain digits (such as " + example +
           ", with no blanks or leading zeros).";
}

// The labels only ever hold numbers the sequencer wrote.
int label_number(const ui::Label& label) {
    const auto v = plain_number(label.caption());
    return v ? *v : 0;
}

// "4:05" or, from an hour on, "1:02:15".
std::string duration(long long seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

}  // namespace

std::string local_clock_in(int seconds) {
    const std::time_t at =
        std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) + seconds;
    std::tm local{};
    localtime_r(&at, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

Shutter::Shutter(MainWindow& main, link::Transport& transport, platform::Timer& sequencer_timer,
                 platform::SoundPlayer& sound, platform::Dialogs& dialogs)
    : main_(main),
      transport_(transport),
      sequencer_timer_(sequencer_timer),
      sound_(sound),
      dialogs_(dialogs) {
    main_.shutter_on.clicked.connect([this] { shutter_on(); });
    main_.shutter_off.clicked.connect([this] { shutter_off(); });
    main_.auto_shutter.clicked.connect([this] { auto_shutter(); });
    sequencer_timer_.on_tick = [this] { tick(); };
    // When the link closes a run ends, and an open shutter is closed while the link can still
    // carry the command: a camera must not go on exposing after the user has disconnected.
    // A link that is already lost carries nothing; the window then stops showing an open
    // shutter and the sound stops, and the lost-link message says what happened.
    main_.stop_runs.connect([this] {
        if (!transport_.link_open()) note_cut_off();
        if (main_.state.sequencer_on) {
            main_.state.sequencer_on = false;
            main_.auto_shutter.set_caption(kStartCaption);
            sequencer_timer_.stop();
            show_end("stopped");
        }
        if (!main_.state.shutter_open) return;
        if (transport_.link_open()) {
            shutter_off();
            return;
        }
        main_.state.shutter_open = false;
        main_.shutter_indicator.set_fill_color(ui::Colour::Red);
        sound_.stop();
        sound_.close();
    });
}

void Shutter::note_cut_off() {
    const bool open = main_.state.shutter_open;
    if (main_.state.sequencer_on) {
        const auto count = plain_number(main_.exposure_count.text());
        main_.state.cut_off.push_back(
            open ? "The link was lost during an exposure run, with the shutter open: the camera "
                   "may still be exposing. The run has stopped and will not resume by itself."
                 : "The link was lost during an exposure run: it has stopped after " +
                       std::to_string(completed_) +
                       (count ? " of " + std::to_string(*count) : std::string()) +
                       " exposures and will not resume by itself.");
    } else if (open) {
        main_.state.cut_off.push_back(
            "The link was lost while the shutter was open: the camera may still be exposing.");
    }
}

void Shutter::shutter_on() {
    transport_.send_command(link::kShutterOpen);
    main_.state.shutter_open = true;
    main_.shutter_indicator.set_fill_color(ui::Colour::Green);
    sound_.open();
    sound_.play();
}

void Shutter::shutter_off() {
    transport_.send_command(link::kShutterClose);
    main_.state.shutter_open = false;
    main_.shutter_indicator.set_fill_color(ui::Colour::Red);
    sound_.stop();
    sound_.close();
    sound_.beep();
}

void Shutter::auto_shutter() {
    if (main_.state.sequencer_on) {
        stop_run("stopped");
    } else {
        start_run();
    }
}

std::optional<std::string> Shutter::timing_problem() const {
    const auto length = plain_number(main_.exposure_secs.text());
    if (!length || *length > kMaxSeconds - 1) return seconds_rule("Exp. secs", "120");
    const auto gap = plain_number(main_.exposure_gap.text());
    if (!gap || *gap > kMaxSeconds - 1) return seconds_rule("Exp. Gap", "15");
    if (*length + *gap > kMaxSeconds)
        return "Exp. secs and Exp. Gap together must be at most " + std::to_string(kMaxSeconds) +
               " seconds.";
    return std::nullopt;
}

std::optional<std::string> Shutter::count_problem() const {
    const auto count = plain_number(main_.exposure_count.text());
    if (!count || *count > kMaxSeconds)
        return "Exp. Count must be a whole number from 1 to " + std::to_string(kMaxSeconds) +
               ", typed as plain digits (such as 10, with no blanks or leading zeros).";
    return std::nullopt;
}

void Shutter::start_run() {
    // A run starts only with boxes that let it end: each exposure closed after its length,
    // the next begun after the gap, and the last one counted.
    auto problem = timing_problem();
    if (!problem) problem = count_problem();
    if (problem) {
        dialogs_.message(*problem, "");
        return;
    }
    main_.state.sequencer_on = true;
    main_.auto_shutter.set_caption(kStopCaption);
    sequencer_timer_.start(kSequencerTickMs);
    main_.elapsed_label.set_caption("0");
    main_.exposure_number_label.set_caption("1");
    completed_ = 0;
    shutter_on();
    show_progress();
}

void Shutter::stop_run(const char* how) {
    main_.state.sequencer_on = false;
    main_.auto_shutter.set_caption(kStartCaption);
    sequencer_timer_.stop();
    shutter_off();
    show_end(how);
}

void Shutter::show_progress() {
    const std::string number = main_.exposure_number_label.caption();
    const auto length = plain_number(main_.exposure_secs.text());
    const auto gap = plain_number(main_.exposure_gap.text());
    const auto count = plain_number(main_.exposure_count.text());
    if (!length || !gap || !count) {
        main_.run_progress.set_caption("Exposure " + number);
        return;
    }
    const long long cycle = *length + *gap;
    const long long done =
        (label_number(main_.exposure_number_label) - 1) * cycle + label_number(main_.elapsed_label);
    const long long left = std::max(0LL, *count * cycle - done);
    main_.run_progress.set_caption("Exposure " + number + " of " + std::to_string(*count) + ", " +
                                   duration(left) + " left, ends at " +
                                   clock_in(static_cast<int>(left)));
}

void Shutter::show_end(const char* how) {
    const auto count = plain_number(main_.exposure_count.text());
    main_.run_progress.set_caption(
        std::string("Run ") + how + " at " + clock_in(0) + ": " + std::to_string(completed_) +
        (count ? " of " + std::to_string(*count) : std::string()) +
        ((count ? *count : completed_) == 1 ? " exposure" : " exposures") + " completed");
}

void Shutter::abandon(const std::string& why) {
    stop_run("stopped");
    dialogs_.message(why + " The exposure run has been stopped.", "");
}

void Shutter::tick() {
    step();
    // A run still on shows where it stands now; one that ended has said how.
    if (main_.state.sequencer_on) show_progress();
}

void Shutter::step() {
    const int elapsed = label_number(main_.elapsed_label) + 1;
    main_.elapsed_label.set_caption(std::to_string(elapsed));

    // The exposure ends when the elapsed time reads exactly as the length box.
    if (main_.elapsed_label.caption() == main_.exposure_secs.text()) {
        shutter_off();
        ++completed_;
        return;
    }

    // The boxes may have been edited since the start: they must still time the run.
    if (const auto problem = timing_problem()) {
        abandon(*problem);
        return;
    }
    const int cycle =
        *plain_number(main_.exposure_secs.text()) + *plain_number(main_.exposure_gap.text());
    // "At or past": a length or gap shortened during the run still ends the cycle.
    if (elapsed < cycle) return;

    if (const auto problem = count_problem()) {
        abandon(*problem);
        return;
    }
    shutter_on();
    main_.elapsed_label.set_caption("0");
    // The last exposure is the one whose number reads as the count box; a count lowered
    // during the run below the current number ends the run too.
    if (label_number(main_.exposure_number_label) < *plain_number(main_.exposure_count.text())) {
        main_.exposure_number_label.set_caption(
            std::to_string(label_number(main_.exposure_number_label) + 1));
    } else {
        stop_run("ended");
    }
}

}  // namespace orv::shutter
