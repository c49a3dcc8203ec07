#pragma once
// The names COM1 to COM10 given to the serial devices of a Linux machine, the way a user
// expects: a device keeps its number across runs (remembered by its stable identity, such as
// its /dev/serial/by-id name), a new device gets the lowest free number, and a number can be
// pinned to any device path (a pseudo-terminal included).

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orv::link {

inline constexpr int kMaxComNumber = 10;

struct SerialDevice {
    std::string path;      // what to open, e.g. /dev/ttyUSB0
    std::string identity;  // stable across runs and re-plugging, e.g. a /dev/serial/by-id name
    std::string description = {};  // what the device is, for the user: path, by-id, USB strings
};

struct ComAssignment {
    std::map<int, std::string> paths;          // COM number -> device path
    std::map<std::string, int> remembered;     // identity -> COM number, to keep for next time
};

// `pins` map a COM number to a path that is used as it is; `remembered` is last run's memory.
ComAssignment assign_com_numbers(std::vector<SerialDevice> present,
                                 const std::map<std::string, int>& remembered,
                                 const std::map<int, std::string>& pins);

// "COM3=/dev/pts/4;COM5=/dev/ttyUSB0" (also separated by commas or new lines) -> pins.
// Entries that are not of that form are skipped.
std::map<int, std::string> parse_pins(std::string_view text);

// The remembered numbers as lines "<number> <identity>", and back.
std::string format_remembered(const std::map<std::string, int>& remembered);
std::map<std::string, int> parse_remembered(std::string_view text);

}  // namespace orv::link
