// Fuzz target: one text, read by every number reader of the core, each held against a second,
// independent reading of the same rules written here (the grammar by hand, the value by strtod,
// rounding by nearbyint in the default round-to-nearest-even mode, whole numbers digit by digit):
//  - read_number, is_number, round_half_even, text_to_int16 and encode_time (a time's two bytes);
//  - parse_ip_port, and parse_line_settings on the text and on the text as the baud rate;
//  - the RF Channel box: WRITE enabled for a number, and WRITE sending "#sCh" n "#" for a channel
//    that rounds to 0..127, or a message and nothing for anything else.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>  // also for the fakes, which use std::exchange

#include "config/rf_channel.h"
#include "config/settings_write.h"
#include "fakes/fakes.h"
#include "ui/number.h"

namespace {

std::string the_text;  // the input, for failure reports

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_numbers: invariant broken: %s\n  text (%zu bytes):", what,
                 the_text.size());
    for (const char c : the_text) std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
    std::fprintf(stderr, "\n");
    std::abort();
}

// Blanks (space, tab) around an optional sign, digits and at most one point, one digit at least.
std::optional<double> reference_number(const std::string& text) {
    const std::size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const std::string s = text.substr(b, text.find_last_not_of(" \t") + 1 - b);
    int digits = 0, points = 0;
    for (std::size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0; i < s.size(); ++i) {
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
    check(end == s.c_str() + s.size(), "reference: strtod stopped early");
    return v;
}

// Digits only, 1 to 9 of them, value within [lo, hi].
std::optional<long> reference_whole(const std::string& t, long lo, long hi) {
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const long v = std::stol(t);
    return v >= lo && v <= hi ? std::optional<long>(v) : std::nullopt;
}

// "baud,parity,data,stop", nothing more or less.
void check_line_settings(const std::string& text) {
    std::string part[4];
    int commas = 0;
    for (const char c : text) {
        if (c == ',' && ++commas < 4) continue;
        if (commas < 4) part[commas].push_back(c);
    }
    const auto baud = reference_whole(part[0], 1, 999999999);
    const bool good = commas == 3 && baud && reference_whole(part[2], 5, 8) &&
                      reference_whole(part[3], 1, 2) && part[1].size() == 1 &&
                      std::string("NEOMS").find(part[1][0]) != std::string::npos;
    const auto line = orv::link::parse_line_settings(text);
    check(line.has_value() == good, "parse_line_settings accepts differently");
    if (line)
        check(line->baud == *baud && line->parity == part[1][0] &&
                  line->data_bits == std::stoi(part[2]) && line->stop_bits == std::stoi(part[3]),
              "parse_line_settings parts");
}

// The RF Channel box and its WRITE, on a serial port that is open.
struct Channel {
    orv::fake::SerialPort serial;
    orv::fake::TcpSocket socket;
    orv::fake::PortDirectory ports;
    orv::fake::Dialogs dialogs;
    orv::MainWindow main;
    orv::link::Transport transport{serial, socket, ports};
    orv::config::RfChannel rf{main, transport, dialogs};
    Channel() {
        ports.ports[1] = "/dev/ttyUSB0";
        transport.set_line_settings("9600,N,8,1");
        check(transport.open_serial().empty(), "the port does not open");
        main.enable_controls(true, "orvantis");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    the_text = text;
    const auto ref = reference_number(text);
    const auto v = orv::read_number(text);
    check(v.has_value() == ref.has_value() && orv::is_number(text) == ref.has_value(),
          "read_number accepts differently");
    // A value too small for a double's normal range may be read as 0.
    if (v)
        check(*v == *ref || (*v == 0 && std::fabs(*ref) < std::numeric_limits<double>::min()),
              "read_number value");
    const double r = v ? std::nearbyint(*v) : 0;
    if (v) check(orv::round_half_even(*v) == r, "round_half_even");
    const bool int16 = v && r >= -32768 && r <= 32767;
    check(orv::text_to_int16(text) ==
              (int16 ? std::optional<std::int16_t>(static_cast<std::int16_t>(r)) : std::nullopt),
          "text_to_int16");
    const bool time = v && r >= 0 && r <= 65535;
    const auto n = time ? static_cast<unsigned>(r) : 0u;
    check(orv::config::encode_time(text) ==
              (time ? std::optional<std::string>(
                          {static_cast<char>(n / 256), static_cast<char>(n % 256)})
                    : std::nullopt),
          "encode_time");

    const auto port = reference_whole(text, 1, 65535);
    check(
        orv::link::parse_ip_port(text) ==
            (port ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*port)) : std::nullopt),
        "parse_ip_port");
    check_line_settings(text);
    check_line_settings(text + ",N,8,1");

    static Channel c;
    c.main.channel_box.set_text(text);
    check(c.main.write_channel.enabled() == v.has_value(), "WRITE enabled for no number");
    c.rf.write_channel();
    const bool sends = v && r >= 0 && r < 128;
    const std::string want =
        sends ? std::string("#sCh") + static_cast<char>(static_cast<int>(r)) + "#" : "";
    check(c.serial.written == want, "WRITE sent other bytes");
    check(c.dialogs.shown.size() == (sends ? 0u : 1u), "WRITE refused without one message");
    c.serial.written.clear();
    c.serial.writes.clear();
    c.dialogs.shown.clear();
    return 0;
}
