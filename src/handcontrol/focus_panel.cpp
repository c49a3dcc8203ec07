#include "handcontrol/focus_panel.h"

#include <cmath>

#include "link/protocol.h"
#include "ui/number.h"

namespace orv::handcontrol {

namespace {

// A count far beyond anything a focuser runs, and still exact in a double.
constexpr double kPositionLimit = 1e15;

// The whole number a box holds ("5000", " 5000 ", "5000.0"); nullopt for anything else.
std::optional<std::int64_t> whole_number(const std::string& text) {
    const auto v = read_number(text);
    if (!v || !(std::fabs(*v) <= kPositionLimit) || *v != std::floor(*v)) return std::nullopt;
    return static_cast<std::int64_t>(*v);
}

std::string bad_position() {
    return "The focus position must be a whole number, such as 5000. Correct the box between "
           "the FOCUS buttons.";
}

std::string bad_setpoint(int n) {
    return "Focus Setpoint " + std::to_string(n) +
           " must be a whole number, such as 5000. Correct the box or press its SET button.";
}

}  // namespace

FocusPanel::FocusPanel(MainWindow& main, link::Transport& transport, platform::Timer& focus_timer,
                       platform::Dialogs& dialogs)
    : main_(main),
      s_(main.state),
      transport_(transport),
      focus_timer_(focus_timer),
      dialogs_(dialogs),
      rows_{{1, main.setpoint_box[0], main.setpoint_spinner[0], main.state.focus_goto1},
            {2, main.setpoint_box[1], main.setpoint_spinner[1], main.state.focus_goto2}} {
    main_.focus_up.pressed.connect([this] { press(+1); });
    main_.focus_down.pressed.connect([this] { press(-1); });
    main_.focus_up.released.connect([this] { release(); });
    main_.focus_down.released.connect([this] { release(); });
    main_.set_setpoint[0].clicked.connect([this] { set(rows_[0]); });
    main_.set_setpoint[1].clicked.connect([this] { set(rows_[1]); });
    main_.goto_setpoint[0].clicked.connect([this] { go_to(rows_[0]); });
    main_.goto_setpoint[1].clicked.connect([this] { go_to(rows_[1]); });
    for (Row& row : rows_) {
        row.setpoint.changed.connect([this, &row] { setpoint_changed(row); });
        row.spinner.changed.connect(
            [&row] { row.setpoint.set_text(std::to_string(row.spinner.value())); });
    }
    main_.increment_box.changed.connect([this] { increment_changed(); });
    focus_timer_.on_tick = [this] { tick(); };
    // A run still on when the link closes stops, and the focuser with it while the link can
    // still carry the stop.
    main_.stop_runs.connect([this] {
        if (!focus_timer_.active()) return;
        stop_timer();
        s_.focus_goto1 = false;
        s_.focus_goto2 = false;
        if (transport_.link_open())
            transport_.send_command(link::kFocusStop);
        else
            s_.cut_off.push_back(
                "The link was lost while the focuser was running: it may still be running.");
    });
    // The stop key ends a run as a release does; the held button's own release is then silent.
    main_.stop_key.connect([this] {
        if (main_.commands_locked || !focus_timer_.active()) return;
        if (held_) refused_press_ = true;
        stop_timer();
        s_.focus_goto1 = false;
        s_.focus_goto2 = false;
        transport_.send_command(link::kFocusStop);
    });
}

void FocusPanel::run_timer() {
    // A run already on keeps its rhythm; only a stopped timer starts a new period.
    if (!focus_timer_.active() || focus_timer_.interval() != kFocusTickMs)
        focus_timer_.start(kFocusTickMs);
}

void FocusPanel::stop_timer() { focus_timer_.stop(); }

void FocusPanel::refuse(const std::string& why) {
    // The state first: a tick delivered while the message is open finds the run over.
    if (focus_timer_.active()) {
        stop_timer();
        s_.focus_goto1 = false;
        s_.focus_goto2 = false;
        transport_.send_command(link::kFocusStop);
        dialogs_.message("The focuser has been stopped. " + why, "");
    } else {
        dialogs_.message(why, "");
    }
}

void FocusPanel::press(std::int16_t sign) {
    held_ = true;
    if (!whole_number(main_.focus_position.text())) {
        // Its release, which may come while the message is open, sends nothing.
        refused_press_ = true;
        refuse(bad_position());
        return;
    }
    refused_press_ = false;
    run_timer();
    s_.focus_constant = sign;
    transport_.send_command(sign > 0 ? link::kFocusUp : link::kFocusDown);
}

void FocusPanel::release() {
    held_ = false;
    if (refused_press_) return;  // every press decides this afresh
    stop_timer();
    s_.focus_goto1 = false;
    s_.focus_goto2 = false;
    transport_.send_command(link::kFocusStop);
}

void FocusPanel::tick() {
    const auto before = whole_number(main_.focus_position.text());
    if (!before) {
        refuse(bad_position());
        return;
    }
    // Add, then compare: arrival is noticed on the tick that reaches the setpoint.
    const std::int64_t position = *before + s_.focus_constant;
    main_.focus_position.set_text(std::to_string(position));

    // Setpoint 1 is looked at first, and alone, whenever its run is on.
    Row* row = s_.focus_goto1 ? &rows_[0] : s_.focus_goto2 ? &rows_[1] : nullptr;
    if (row == nullptr) return;
    const auto target = whole_number(row->setpoint.text());
    if (!target) {
        refuse(bad_setpoint(row->n));
        return;
    }
    if (position == *target) {
        stop_timer();
        row->flag = false;
        transport_.send_command(link::kFocusStop);
    }
}

void FocusPanel::go_to(Row& row) {
    const auto target = whole_number(row.setpoint.text());
    if (!target) {
        refuse(bad_setpoint(row.n));
        return;
    }
    const auto position = whole_number(main_.focus_position.text());
    if (!position) {
        refuse(bad_position());
        return;
    }
    if (*target == *position) return;
    const std::int16_t sign = *target < *position ? -1 : +1;
    transport_.send_command(sign < 0 ? link::kFocusDown : link::kFocusUp);
    s_.focus_constant = sign;
    run_timer();
    row.flag = true;
}

void FocusPanel::set(Row& row) { row.setpoint.set_text(main_.focus_position.text()); }

void FocusPanel::setpoint_changed(Row& row) {
    // The spinner follows a number it can show; it refuses one outside its range, and its own
    // change handling rewrites the box only when its value really changes.
    const auto v = read_number(row.setpoint.text());
    if (!v) return;
    const double r = round_half_even(*v);
    if (r >= row.spinner.minimum() && r <= row.spinner.maximum())
        row.spinner.set_value(static_cast<int>(r));
}

void FocusPanel::increment_changed() {
    // Only a whole step the spinners can take; anything else leaves the step as it was.
    const auto v = read_number(main_.increment_box.text());
    if (!v || *v != std::floor(*v) || *v < 1 || *v > main_.setpoint_spinner[0].maximum()) return;
    for (Row& row : rows_) row.spinner.set_small_change(static_cast<int>(*v));
}

}  // namespace orv::handcontrol
