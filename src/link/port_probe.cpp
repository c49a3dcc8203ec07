#include "link/port_probe.h"

namespace orv::link {

std::int32_t probe_com_port(platform::PortDirectory& ports, std::int16_t n) {
    return ports.exists(n) ? 1 : 0;
}

}  // namespace orv::link
