// The two ways a client can reach the simulated box.
#pragma once

#include <string_view>

namespace boxsim {

enum class Side { Pty, Tcp };

constexpr std::string_view sideName(Side side)
{
    return side == Side::Pty ? "pty" : "tcp";
}

} // namespace boxsim
