// Byte <-> text conversion used by the log and the control commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

// "00 1f ff": two lower-case hex digits per byte, separated by single spaces.
std::string toHex(std::string_view bytes);

// Parses whitespace-separated tokens. A token of one digit is one byte ("a" = 0x0a);
// a token of an even number of digits is read as consecutive bytes ("312e" = 0x31 0x2e).
// Upper and lower case are both accepted. Returns nullopt on any other input.
std::optional<std::string> parseHex(std::string_view text);

// The bytes as text: printable ASCII as it is, every other byte and the
// backslash as "\xNN" (two lower-case hex digits).
std::string printable(std::string_view bytes);

} // namespace boxsim
