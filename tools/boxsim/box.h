// The simulated box itself: receives the bytes clients send and decides what
// to answer. The I/O layer feeds it with receive() and delivers whatever it
// hands to the send function (to the named side).
//
// This first version answers nothing; protocol replies, output pacing and
// fault modes are added here later.
#pragma once

#include "side.h"

#include <functional>
#include <string_view>

namespace boxsim {

class Box {
public:
    using SendFn = std::function<void(Side, std::string_view)>;

    explicit Box(SendFn send);

    void receive(Side from, std::string_view bytes);

private:
    SendFn send_;
};

} // namespace boxsim
