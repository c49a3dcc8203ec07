#pragma once
// Whether a serial port exists, asked by its COM number.

#include <cstdint>

#include "platform/port_directory.h"

namespace orv::link {

// Non-zero when the port named "COM" followed by n exists.
std::int32_t probe_com_port(platform::PortDirectory& ports, std::int16_t n);

}  // namespace orv::link
