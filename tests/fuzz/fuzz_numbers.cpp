// Fuzz target: one text, read by every number reader of the core, each held against a second,
// independent reading of the same rules written here (the grammar by hand, the value by strtod,
// rounding by nearbyint in the default round-to-nearest-even mode, whole numbers digit by digit):
//  - read_number, is_number, round_half_even, text_to_int16 and encode_time (a time's two bytes);
//  - parse_ip_port, and parse_line_settings on the text and on the text as the baud rate;
//  - the RF Channel box: WRITE enabled for a number, and WRITE sending "#sCh" n "#" for a channel
//    that rounds to 0..127, or a message and nothing for anything else.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <utility>  // also for the fakes, which use std::exchange

#include "config/settings_write.h"
#include "fakes/rig.h"
#include "fuzz/check.h"
#include "ui/number.h"

namespace {

// Blanks (space, tab) around an optional sign, digits and at most one point, one digit at least.
std::optional<double> reference_number(const std::string& text) {
    const std::size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const std::string s = text.substr(b, text.find_last_not_of(" \t") + 1 - b);
    const std::size_t sign = s[0] == '+' || s[0] == '-';
    const std::size_t point = s.find('.');
    if (s.find_first_not_of("0123456789.", sign) != std::string::npos ||
        s.find_first_of("0123456789") == std::string::npos || s.find('.', point + 1) < s.size())
        return std::nullopt;
    return std::strtod(s.c_str(), nullptr);
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
    for (const char c : text)
        if (c != ',' || ++commas >= 4) part[std::min(commas, 3)] += c;
    const auto baud = reference_whole(part[0], 1, 999999999);
    const auto data = reference_whole(part[2], 5, 8), stop = reference_whole(part[3], 1, 2);
    const bool good = commas == 3 && baud && data && stop && part[1].size() == 1 &&
                      std::string("NEOMS").find(part[1][0]) != std::string::npos;
    const auto line = orv::link::parse_line_settings(text);
    FUZZ_CHECK(line.has_value() == good);
    FUZZ_CHECK(!line || (line->baud == *baud && line->parity == part[1][0] &&
                         line->data_bits == *data && line->stop_bits == *stop));
}

template <class T>
std::optional<T> in_range(bool ok, double v) {
    return ok ? std::optional<T>(static_cast<T>(v)) : std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto ref = reference_number(text);
    const auto v = orv::read_number(text);
    FUZZ_CHECK(v.has_value() == ref.has_value() && orv::is_number(text) == ref.has_value());
    // A value too small for a double's normal range may be read as 0.
    FUZZ_CHECK(!v || *v == *ref ||
               (*v == 0 && std::fabs(*ref) < std::numeric_limits<double>::min()));
    const double r = v ? std::nearbyint(*v) : 0;
    FUZZ_CHECK(!v || orv::round_half_even(*v) == r);
    FUZZ_CHECK(orv::text_to_int16(text) ==
               in_range<std::int16_t>(v && r >= -32768 && r <= 32767, r));
    const auto n = in_range<unsigned>(v && r >= 0 && r <= 65535, r);
    FUZZ_CHECK(orv::config::encode_time(text) ==
               (n ? std::optional<std::string>({char(*n / 256), char(*n % 256)}) : std::nullopt));
    const auto port = reference_whole(text, 1, 65535);
    FUZZ_CHECK(orv::link::parse_ip_port(text) ==
               in_range<std::uint16_t>(port.has_value(), static_cast<double>(port.value_or(0))));
    check_line_settings(text);
    check_line_settings(text + ",N,8,1");

    // WRITE is enabled for a number, and sends "#sCh" n "#" for one that rounds to 0..127; for
    // anything else a message and nothing; on the program connected to a box over COM3.
    static orv::fake::ConnectedRig c;
    c.main.channel_box.set_text(text);
    FUZZ_CHECK(c.main.write_channel.enabled() == v.has_value());
    c.program.rf_channel.write_channel();
    const bool sends = v && r >= 0 && r < 128;
    FUZZ_CHECK(std::exchange(c.serial.written, {}) ==
               (sends ? "#sCh" + std::string(1, char(r)) + "#" : ""));
    FUZZ_CHECK(c.said().size() == (sends ? 0u : 1u));
    c.serial.writes.clear();
    return 0;
}
