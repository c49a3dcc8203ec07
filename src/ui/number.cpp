#include "ui/number.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orv {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> read_number(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && is_blank(text[b])) ++b;
    while (e > b && is_blank(text[e - 1])) --e;
    std::string_view s = text.substr(b, e - b);

    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::size_t digits = 0;
    std::size_t points = 0;
    for (char c : s) {
        if (is_digit(c)) {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) return std::nullopt;

    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Either too large (infinity) or too small to be told from zero.
        const bool tiny = s.substr(0, s.find('.')).find_first_not_of('0') == std::string_view::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double round_half_even(double value) {
    if (!std::isfinite(value)) return value;
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::optional<std::int16_t> to_int16(double value) {
    const double r = round_half_even(value);
    if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int16_t> text_to_int16(std::string_view text) {
    const auto v = read_number(text);
    if (!v) return std::nullopt;
    return to_int16(*v);
}

}  // namespace orv
