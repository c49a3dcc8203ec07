#include "handcontrol/slew_pad.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "link/protocol.h"
#include "ui/number.h"

namespace orv::handcontrol {

namespace {

// Characters as the user sees them: a letter outside ASCII is one character, not its bytes.
std::size_t characters(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

SlewPad::SlewPad(MainWindow& main, link::Transport& transport, platform::Dialogs& dialogs)
    : main_(main), transport_(transport), dialogs_(dialogs) {
    // The direction letter each arrow sends. The pad swaps nothing itself: the up arrow sends
    // south as the box expects it, and which way the mount then turns is the box's business
    // (its RA and DEC reversal settings).
    const std::pair<ui::Button*, char> arrows[] = {{&main_.slew_up, 's'},
                                                   {&main_.slew_down, 'n'},
                                                   {&main_.slew_right, 'w'},
                                                   {&main_.slew_left, 'e'}};
    for (const auto& [button, d] : arrows) {
        button->pressed.connect([this, d = d] { press(d); });
        button->released.connect([this, d = d] { release(d); });
    }
    main_.slew_stop.clicked.connect([this] { transport_.send_command(link::kStopAll); });
    // The link is about to close or the program to end: a held arrow's mount stops now, while
    // the link can carry it, and the arrow's own release later sends nothing more.
    main_.stop_runs.connect([this] {
        if (!moving_) return;
        moving_ = false;
        stopped_for_exit_ = true;
        if (transport_.link_open())
            transport_.send_command(link::kStopAll);
        else
            main_.state.cut_off.push_back(
                "The link was lost while the mount was slewing: it may still be moving.");
    });
    // The stop key: the stop button's "#Q#", and a held arrow counts as released.
    main_.stop_key.connect([this] {
        if (main_.commands_locked || !main_.slew_stop.enabled()) return;
        if (std::exchange(moving_, false)) stopped_for_exit_ = true;
        transport_.send_command(link::kStopAll);
    });
    // Typing a pulse length means the user wants pulses.
    main_.pulse_time.changed.connect([this] { main_.pulse_mode.set_value(1); });
}

bool SlewPad::pulse_mode() const { return main_.pulse_mode.value() == 1; }

void SlewPad::press(char d) {
    stopped_for_exit_ = false;
    if (!pulse_mode()) {
        moving_ = true;
        transport_.send_command(link::kMove + std::string(1, d) + link::kEnd);
        return;
    }
    // The time goes to the box exactly as typed; it is only checked here.
    const std::string& t = main_.pulse_time.text();
    if (characters(t) >= 5) {
        dialogs_.message(kPulseTooLong, "");
        return;
    }
    if (!is_number(t)) {
        dialogs_.message(kPulseNotNumber, "");
        return;
    }
    transport_.send_command(link::kGuidePulse + std::string(1, d) + t + link::kEnd);
}

void SlewPad::release(char d) {
    moving_ = false;
    if (std::exchange(stopped_for_exit_, false)) return;
    // Pulse mode is read afresh: a pulse ends by itself, continuous motion needs its stop.
    if (!pulse_mode()) transport_.send_command(link::kStopMove + std::string(1, d) + link::kEnd);
}

}  // namespace orv::handcontrol
