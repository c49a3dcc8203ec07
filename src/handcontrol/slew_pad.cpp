#include "handcontrol/slew_pad.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "shell/number.h"

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
    const std::pair<ui::Button*, char> arrows[] = {
        {&main_.Command1, 's'}, {&main_.Command3, 'n'}, {&main_.Command2, 'w'}, {&main_.Command4, 'e'}};
    for (const auto& [button, d] : arrows) {
        button->pressed.connect([this, d = d] { press(d); });
        button->released.connect([this, d = d] { release(d); });
    }
    main_.Command5.clicked.connect([this] { transport_.send_command("#Q#"); });
    // Typing a pulse length means the user wants pulses.
    main_.pg_time.changed.connect([this] { main_.Check1.set_value(1); });
}

bool SlewPad::pulse_mode() const { return main_.Check1.value() == 1; }

void SlewPad::press(char d) {
    if (!pulse_mode()) {
        transport_.send_command(std::string("#M") + d + "#");
        return;
    }
    // The time goes to the box exactly as typed; it is only checked here.
    const std::string& t = main_.pg_time.text();
    if (characters(t) >= 5) {
        dialogs_.message(kPulseTooLong, "");
        return;
    }
    if (!is_number(t)) {
        dialogs_.message(kPulseNotNumber, "");
        return;
    }
    transport_.send_command(std::string("#Mg") + d + t + "#");
}

void SlewPad::release(char d) {
    // Pulse mode is read afresh: a pulse ends by itself, continuous motion needs its stop.
    if (!pulse_mode()) transport_.send_command(std::string("#Q") + d + "#");
}

}  // namespace orv::handcontrol
