#pragma once
// Reading a number from a text box, the one way the whole program does it.

#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

// The value of `text` when it reads as a number: optional surrounding blanks (spaces, tabs),
// an optional sign, digits with an optional decimal fraction ("12", "-3.5", " +.5 ", "7.").
// Nothing else: no exponent, no separators, no comma as decimal point, at least one digit.
// A number too large for a double reads as +/- infinity.
std::optional<double> read_number(std::string_view text);

inline bool is_number(std::string_view text) { return read_number(text).has_value(); }

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double round_half_even(double value);

// The value rounded half to even, or nullopt when it does not fit in 16 bits signed.
std::optional<std::int16_t> to_int16(double value);

// `text` read as a number and rounded into 16 bits signed; nullopt when it is not a number or
// out of range.
std::optional<std::int16_t> text_to_int16(std::string_view text);

}  // namespace orv
