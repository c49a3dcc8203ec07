#include "shutter/shutter.h"

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

}  // namespace

Shutter::Shutter(MainWindow& main, link::Transport& transport, platform::Timer& timer1,
                 platform::SoundPlayer& sound, platform::Dialogs& dialogs)
    : main_(main), transport_(transport), timer_(timer1), sound_(sound), dialogs_(dialogs) {
    main_.Command16.clicked.connect([this] { shutter_on(); });
    main_.Command17.clicked.connect([this] { shutter_off(); });
    main_.Command18.clicked.connect([this] { auto_shutter(); });
    timer_.on_tick = [this] { tick(); };
    // When the link closes a run ends, and an open shutter is closed while the link can still
    // carry the command: a camera must not go on exposing after the user has disconnected.
    main_.stop_runs.connect([this] {
        if (main_.Command18.caption() != kStartCaption) {
            main_.Command18.set_caption(kStartCaption);
            timer_.stop();
        }
        if (main_.Shape1.fill_color() == kGreen && transport_.link_open()) shutter_off();
    });
}

void Shutter::shutter_on() {
    transport_.send_command("#XP1#");
    main_.Shape1.set_fill_color(kGreen);
    sound_.command("Open");
    sound_.command("Play");
}

void Shutter::shutter_off() {
    transport_.send_command("#XP0#");
    main_.Shape1.set_fill_color(kRed);
    sound_.command("Stop");
    sound_.command("Close");
    sound_.beep();
}

void Shutter::auto_shutter() {
    if (main_.Command18.caption() == kStartCaption) start_run();
    else stop_run();
}

std::optional<std::string> Shutter::timing_problem() const {
    const auto length = plain_number(main_.Text9.text());
    if (!length || *length > kMaxSeconds - 1) return seconds_rule("Exp. secs", "120");
    const auto gap = plain_number(main_.Text10.text());
    if (!gap || *gap > kMaxSeconds - 1) return seconds_rule("Exp. Gap", "15");
    if (*length + *gap > kMaxSeconds)
        return "Exp. secs and Exp. Gap together must be at most " + std::to_string(kMaxSeconds) +
               " seconds.";
    return std::nullopt;
}

std::optional<std::string> Shutter::count_problem() const {
    const auto count = plain_number(main_.Text11.text());
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
    main_.Command18.set_caption(kStopCaption);
    timer_.start(kSequencerTickMs);
    main_.stime.set_caption("0");
    main_.scount.set_caption("1");
    shutter_on();
}

void Shutter::stop_run() {
    main_.Command18.set_caption(kStartCaption);
    timer_.stop();
    shutter_off();
}

void Shutter::abandon(const std::string& why) {
    stop_run();
    dialogs_.message(why + " The exposure run has been stopped.", "");
}

void Shutter::tick() {
    const int elapsed = label_number(main_.stime) + 1;
    main_.stime.set_caption(std::to_string(elapsed));

    // The exposure ends when the elapsed time reads exactly as the length box.
    if (main_.stime.caption() == main_.Text9.text()) {
        shutter_off();
        return;
    }

    // The boxes may have been edited since the start: they must still time the run.
    if (const auto problem = timing_problem()) {
        abandon(*problem);
        return;
    }
    const int cycle = *plain_number(main_.Text9.text()) + *plain_number(main_.Text10.text());
    // "At or past": a length or gap shortened during the run still ends the cycle.
    if (elapsed < cycle) return;

    if (const auto problem = count_problem()) {
        abandon(*problem);
        return;
    }
    shutter_on();
    main_.stime.set_caption("0");
    // The last exposure is the one whose number reads as the count box; a count lowered
    // during the run below the current number ends the run too.
    if (main_.scount.caption() != main_.Text11.text() &&
        label_number(main_.scount) < *plain_number(main_.Text11.text())) {
        main_.scount.set_caption(std::to_string(label_number(main_.scount) + 1));
    } else {
        stop_run();
    }
}

}  // namespace orv::shutter
