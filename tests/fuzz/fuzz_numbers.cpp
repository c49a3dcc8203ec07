// Fuzz target: one text, typed into every box whose number the program reads.
//
// The text is read by a second, independent reading (the grammar checked by hand, the value by
// strtod, rounding by nearbyint in the default round-to-nearest-even mode), and the program's
// answer is compared with it:
//  - read_number, text_to_int16 and encode_time directly;
//  - start-up (run again on the started program) with the text stored as both focus setpoints and
//    the scroll increment;
//  - the RF Channel box with WRITE (as clicked, and its handler run directly, which must refuse
//    by itself) and "Write to Remote";
//  - a time box (one of the six, chosen by the text) with Write Settings, every command
//    acknowledged;
//  - the pulse time box with an arrow in pulse mode;
//  - the focus position box with FOCUS held for three ticks, the setpoint box with Focus GOTO,
//    the increment box;
//  - the exposure length, gap and count boxes with Auto Shutter;
//  - the baud rate and the IP port of Port Settings with CONNECT.
// A command that goes out must be exactly the expected bytes; when the program refuses the text
// with a message, nothing goes out.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>  // also for the fakes, which use std::exchange
#include <vector>

#include "config/settings_write.h"
#include "fakes/rig.h"
#include "handcontrol/slew_pad.h"
#include "shell/startup.h"
#include "shell/store.h"
#include "ui/number.h"

namespace {

using Commands = std::vector<std::string>;

std::string printable(const std::string& s) {
    std::string out;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            out.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string the_text;  // the input, for failure reports

[[noreturn]] void fail(const std::string& what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_numbers: invariant broken: %s %s\n  text: \"%s\"\n", what.c_str(),
                 printable(detail).c_str(), printable(the_text).c_str());
    std::abort();
}

// --- the second reading ------------------------------------------------------------------

std::optional<double> reference_number(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    const std::string s = text.substr(b, e - b);
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    int digits = 0;
    int points = 0;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9')
            ++digits;
        else if (s[i] == '.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) fail("reference: strtod stopped early");
    return v;
}

double reference_round(double v) { return std::nearbyint(v); }

bool same_number(double program, double reference) {
    if (program == reference) return true;
    // A value too small for a double's normal range may be read as 0 by the program.
    return program == 0.0 && std::fabs(reference) < std::numeric_limits<double>::min();
}

// Digits only, 1 to `max_len` of them, value within [lo, hi] (no sign, blanks or leading zero
// when `no_leading_zero`).
std::optional<long> reference_plain(const std::string& t, std::size_t max_len, long lo, long hi,
                                    bool no_leading_zero) {
    if (t.empty() || t.size() > max_len) return std::nullopt;
    if (no_leading_zero && t[0] == '0') return std::nullopt;
    long v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

// --- the rig -------------------------------------------------------------------------------

// The program started and connected over COM3 to a second-generation box, new for every input;
// COM3 is stored as the port too, for start-up when it runs again.
struct Rig : orv::fake::ConnectedRig {
    Rig() : ConnectedRig(false, "1.20#") { stored("Orvantis", "CommPort", "COM3"); }
    Commands commands() {
        Commands out;
        for (const auto& w : serial.writes) out.push_back(w.second);
        serial.writes.clear();
        serial.written.clear();
        return out;
    }
    std::size_t messages() {
        const std::size_t n = dialogs.shown.size();
        dialogs.shown.clear();
        return n;
    }
    void clear() {
        dialogs.shown.clear();
        serial.writes.clear();
        serial.written.clear();
        socket.sent.clear();
    }
};

std::string list(const Commands& c) {
    std::string out;
    for (const auto& s : c) out += "[" + s + "]";
    return out;
}

void expect(const Commands& got, const Commands& want, const std::string& where) {
    if (got != want) fail(where + ": sent " + list(got) + ", expected " + list(want));
}

void expect_messages(std::size_t got, bool want, const std::string& where) {
    if ((got > 0) != want)
        fail(where + (want ? ": refused without a message" : ": a message on accepted input"));
}

// --- the checks ----------------------------------------------------------------------------

void check_functions(const std::string& text, const std::optional<double>& ref) {
    const auto v = orv::read_number(text);
    if (v.has_value() != ref.has_value()) fail("read_number accepts differently");
    if (v && !same_number(*v, *ref))
        fail("read_number value", std::to_string(*v) + " vs " + std::to_string(*ref));
    if (orv::is_number(text) != ref.has_value()) fail("is_number");

    const auto i16 = orv::text_to_int16(text);
    std::optional<std::int16_t> want16;
    if (v) {
        const double r = reference_round(*v);
        if (r >= -32768.0 && r <= 32767.0) want16 = static_cast<std::int16_t>(r);
        if (orv::round_half_even(*v) != r) fail("round_half_even", std::to_string(*v));
    }
    if (i16 != want16) fail("text_to_int16");

    const auto t = orv::config::encode_time(text);
    std::optional<std::string> want_t;
    if (v) {
        const double r = reference_round(*v);
        if (r >= 0.0 && r <= 65535.0) {
            const auto n = static_cast<unsigned>(r);
            want_t = std::string{static_cast<char>(n / 256), static_cast<char>(n % 256)};
        }
    }
    if (t != want_t) fail("encode_time");
}

void check_startup(Rig& rig, const std::string& text, const std::optional<double>& ref) {
    // Start-up reads the stored setpoints and increment: run it again with the text stored
    // there (the lists it fills are emptied first, as at a real start).
    rig.stored("orvantis", "focussp1", text);
    rig.stored("orvantis", "focussp2", text);
    rig.stored("orvantis", "focusinc", text);
    rig.main.port_list.clear_items();
    rig.settings.ip_address.clear_items();
    rig.settings.ip_port.clear_items();
    rig.main.setpoint_box[0].set_text("");
    rig.main.setpoint_box[1].set_text("");
    rig.main.setpoint_spinner[0].set_value(0);
    rig.main.setpoint_spinner[1].set_value(0);
    orv::start_up(rig.main, rig.settings, rig.program.store, rig.ports, rig.sound);
    // A stored setpoint the spinner can show moves it there; anything else leaves it at 0.
    int want = 0;
    if (ref) {
        const double r = reference_round(*ref);
        if (r >= 0 && r <= 9999) want = static_cast<int>(r);
    }
    if (rig.main.setpoint_spinner[0].value() != want ||
        rig.main.setpoint_spinner[1].value() != want)
        fail("start-up spinner", std::to_string(rig.main.setpoint_spinner[0].value()));
    const std::string& inc = rig.main.increment_box.text();
    if (!orv::is_number(inc)) fail("start-up increment box holds no number", inc);
    if (ref && inc != text) fail("start-up replaced a stored increment that is a number", inc);
    rig.clear();
}

void check_channel(Rig& rig, const std::string& text, const std::optional<double>& ref) {
    std::optional<char> byte;
    if (ref) {
        const double r = reference_round(*ref);
        if (r >= 0 && r < 128) byte = static_cast<char>(static_cast<int>(r));
    }
    rig.main.channel_box.set_text(text);
    if (rig.main.write_channel.enabled() != ref.has_value()) fail("WRITE enabled with no number");

    rig.main.write_channel.click();
    if (byte) {
        expect(rig.commands(), {std::string("#sCh") + *byte + "#"}, "WRITE");
        expect_messages(rig.messages(), false, "WRITE");
    } else {
        expect(rig.commands(), {}, "WRITE");
        // A disabled WRITE takes no click; an enabled one refuses with a message.
        expect_messages(rig.messages(), ref.has_value(), "WRITE");
    }

    rig.program.rf_channel.write_channel();
    expect(rig.commands(), byte ? Commands{std::string("#sCh") + *byte + "#"} : Commands{},
           "WRITE handler");
    expect_messages(rig.messages(), !byte, "WRITE handler");

    rig.dialogs.answers = {orv::platform::Answer::Yes, orv::platform::Answer::Yes};
    rig.program.rf_channel.write_to_remote();
    rig.dialogs.answers.clear();
    expect(rig.commands(), byte ? Commands{std::string("#rCh") + *byte + "#"} : Commands{},
           "Write to Remote");
    const std::size_t shown = rig.messages();
    if (!byte && shown != 1) fail("Write to Remote: refused without exactly one message");
}

void check_time_boxes(Rig& rig, const std::string& text, const std::optional<double>& ref) {
    std::optional<std::string> two;
    if (ref) {
        const double r = reference_round(*ref);
        if (r >= 0 && r <= 65535) {
            const auto n = static_cast<unsigned>(r);
            two = std::string{static_cast<char>(n >> 8), static_cast<char>(n & 255)};
        }
    }
    static const char* const words[6] = {"#T1", "#T2", "#T3", "#T4", "#T5", "#Td"};
    // One box per input (each is read the same way and sent in its own place), chosen by the
    // text so that an input always tries the same box.
    unsigned pick = static_cast<unsigned>(text.size());
    for (const char c : text) pick += static_cast<unsigned char>(c);
    const int k = static_cast<int>(pick % 6);

    for (auto& box : rig.main.time_boxes) box.set_text("0");
    rig.main.time_boxes[k].set_text(text);
    rig.main.write_settings.click();
    // The box acknowledges each command.
    for (int acks = 0; acks < 16 && rig.program.settings_write.running(); ++acks)
        rig.serial.arrive("#");
    if (rig.program.settings_write.running()) fail("Write Settings never ends");
    const Commands got = rig.commands();
    const std::string where = std::string("Write Settings ") + words[k];
    if (!two) {
        expect(got, {}, where);
        expect_messages(rig.messages(), true, where);
        return;
    }
    expect_messages(rig.messages(), false, where);
    Commands want = {std::string("#rRA") + '\0' + "#", std::string("#rDE") + '\0' + "#"};
    for (int j = 0; j < 6; ++j)
        want.push_back(words[j] + (j == k ? *two : std::string(2, '\0')) + "#");
    want.push_back("#ASM0#");
    want.push_back("#SEQ0#");
    expect(got, want, where);
}

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

void check_pulse(Rig& rig, const std::string& text, const std::optional<double>& ref) {
    rig.main.pulse_time.set_text(text);
    rig.main.pulse_mode.set_value(1);
    rig.main.slew_up.press();
    rig.main.slew_up.release();
    const bool sends = characters(text) < 5 && ref.has_value();
    expect(rig.commands(), sends ? Commands{"#Mgs" + text + "#"} : Commands{}, "pulse");
    expect_messages(rig.messages(), !sends, "pulse");
    rig.main.pulse_mode.set_value(0);
}

std::optional<std::int64_t> reference_whole(const std::optional<double>& ref) {
    if (!ref || !(std::fabs(*ref) <= 1e15) || *ref != std::floor(*ref)) return std::nullopt;
    return static_cast<std::int64_t>(*ref);
}

void check_focus(Rig& rig, const std::string& text, const std::optional<double>& ref) {
    // FOCUS up held for three ticks of the focus timer.
    rig.main.focus_position.set_text(text);
    rig.main.focus_up.press();
    rig.clock.advance(3 * orv::handcontrol::kFocusTickMs + 5);
    rig.main.focus_up.release();
    const auto whole = reference_whole(ref);
    if (!whole) {
        expect(rig.commands(), {}, "FOCUS");
        expect_messages(rig.messages(), true, "FOCUS");
        if (rig.main.focus_position.text() != text) fail("FOCUS changed a box it refused");
    } else {
        // Each tick counts one up, while the count stays within the focuser's range.
        Commands want = {"#F+#"};
        std::int64_t p = *whole;
        bool stopped = false;
        for (int tick = 0; tick < 3 && !stopped; ++tick) {
            if (p > 1000000000000000 || p < -1000000000000000) {
                want.push_back("#FQ#");
                stopped = true;
            } else {
                ++p;
            }
        }
        want.push_back("#FQ#");
        expect(rig.commands(), want, "FOCUS");
        expect_messages(rig.messages(), stopped, "FOCUS");
        if (rig.main.focus_position.text() != std::to_string(p))
            fail("FOCUS position", rig.main.focus_position.text());
    }

    // The setpoint box: the spinner follows a number it can show (and the box then reads as the
    // spinner); Focus GOTO runs toward it from 5000.
    rig.main.focus_position.set_text("5000");
    const int spinner_before = rig.main.setpoint_spinner[0].value();
    rig.main.setpoint_box[0].set_text(text);
    const std::string& sp = rig.main.setpoint_box[0].text();
    int spinner_want = spinner_before;
    if (ref) {
        const double r = reference_round(*ref);
        if (r >= 0 && r <= 9999) spinner_want = static_cast<int>(r);
    }
    if (rig.main.setpoint_spinner[0].value() != spinner_want) fail("setpoint spinner");
    if (sp != text && sp != std::to_string(spinner_want)) fail("setpoint box rewritten", sp);

    const auto target = reference_whole(reference_number(sp));
    rig.main.goto_setpoint[0].click();
    rig.clock.advance(2 * orv::handcontrol::kFocusTickMs + 5);
    rig.main.slew_stop.click();  // stop
    const Commands got = rig.commands();
    if (!target) {
        expect(got, {"#Q#"}, "Focus GOTO");
        expect_messages(rig.messages(), true, "Focus GOTO");
    } else if (*target == 5000) {
        expect(got, {"#Q#"}, "Focus GOTO");
        expect_messages(rig.messages(), false, "Focus GOTO");
    } else {
        const bool up = *target > 5000;
        Commands want = {up ? "#F+#" : "#F-#"};
        std::int64_t p = 5000;
        for (int tick = 0; tick < 2; ++tick) {
            p += up ? 1 : -1;
            if (p == *target) {
                want.push_back("#FQ#");
                break;
            }
        }
        want.push_back("#Q#");
        expect(got, want, "Focus GOTO");
        expect_messages(rig.messages(), false, "Focus GOTO");
        if (rig.main.focus_position.text() != std::to_string(p)) fail("GOTO position");
    }
    // Whatever ran, FOCUS released ends it.
    rig.main.focus_up.release();
    rig.clear();

    const int step_before = rig.main.setpoint_spinner[0].small_change();
    rig.main.increment_box.set_text(text);
    int step_want = step_before;
    if (ref && *ref == std::floor(*ref) && *ref >= 1 && *ref <= 9999)
        step_want = static_cast<int>(*ref);
    if (rig.main.setpoint_spinner[0].small_change() != step_want ||
        rig.main.setpoint_spinner[1].small_change() != step_want)
        fail("scroll increment");
}

void check_exposure(Rig& rig, const std::string& text) {
    orv::ui::TextBox* boxes[3] = {&rig.main.exposure_secs, &rig.main.exposure_gap,
                                  &rig.main.exposure_count};
    for (int k = 0; k < 3; ++k) {
        for (auto* box : boxes) box->set_text("1");
        boxes[k]->set_text(text);
        const auto v = k == 2 ? reference_plain(text, 5, 1, 32767, true)
                              : reference_plain(text, 5, 1, 32766, true);
        rig.main.auto_shutter.click();
        const std::string where = "Auto Shutter box " + std::to_string(k + 9);
        if (!v) {
            expect(rig.commands(), {}, where);
            expect_messages(rig.messages(), true, where);
            if (rig.main.auto_shutter.caption() != orv::shutter::kStartCaption)
                fail(where + " started");
            continue;
        }
        expect(rig.commands(), {"#XP1#"}, where);
        expect_messages(rig.messages(), false, where);
        rig.clock.advance(500);
        rig.main.auto_shutter.click();
        expect(rig.commands(), {"#XP0#"}, where + " stop");
        if (rig.main.auto_shutter.caption() != orv::shutter::kStartCaption)
            fail(where + " still on");
    }
}

void check_port_settings(Rig& rig, const std::string& text) {
    // The baud rate, with CONNECT on COM3.
    rig.main.connect_button.click();  // DISCONNECT
    rig.clear();
    rig.main.port_list.set_text("COM3");
    rig.settings.baud_box.set_text(text);
    const auto baud = reference_plain(text, 9, 1, 999999999, false);
    const int opened = rig.serial.open_count;
    rig.main.connect_button.click();
    if (baud) {
        if (rig.serial.open_count != opened + 1 || rig.serial.opened_line.baud != *baud)
            fail("baud rate not used");
        expect(rig.commands(), {"GVn#"}, "CONNECT");
        expect_messages(rig.messages(), false, "CONNECT");
        rig.main.connect_button.click();  // DISCONNECT
    } else {
        if (rig.serial.open_count != opened) fail("port opened with a refused baud rate");
        expect(rig.commands(), {}, "CONNECT");
        expect_messages(rig.messages(), true, "CONNECT");
    }
    if (rig.main.connect_button.caption() != "CONNECT") fail("not ready for CONNECT");

    // The IP port, with CONNECT on "TCP Port".
    rig.main.port_list.set_text("TCP Port");
    rig.settings.ip_port.set_text(text);
    const auto port = reference_plain(text, 9, 1, 65535, false);
    const int connects = rig.socket.connects;
    rig.main.connect_button.click();
    if (port) {
        if (rig.socket.connects != connects + 1 || rig.socket.port != *port)
            fail("IP port not used");
        expect_messages(rig.messages(), false, "CONNECT TCP");
    } else {
        if (rig.socket.connects != connects) fail("connected with a refused IP port");
        expect_messages(rig.messages(), true, "CONNECT TCP");
    }
    if (!rig.socket.sent.empty()) fail("sent on a socket before it connected");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    the_text = text;
    check_functions(text, reference_number(text));
    // From here on the value is the program's own reading, which matched the second reading
    // (a value below the normal range of a double may have been read as 0).
    const auto ref = orv::read_number(text);

    Rig rig;
    check_startup(rig, text, ref);
    // Nothing may go out on a closed transport.
    rig.serial.box = [&rig](const std::string&) {
        if (!rig.serial.is_open()) fail("written to a closed serial port");
    };
    check_channel(rig, text, ref);
    check_time_boxes(rig, text, ref);
    check_pulse(rig, text, ref);
    check_focus(rig, text, ref);
    check_exposure(rig, text);
    check_port_settings(rig, text);
    return 0;
}
