// The simulated box itself: receives the bytes clients send, takes complete
// commands from them (one receive buffer per side) and answers each on the
// side it came from. The I/O layer feeds it with receive(), delivers whatever
// it hands to the send function (to the named side), and calls releaseDue()
// when nextDue() says a delayed or split reply is due.
//
// Every command taken is logged: "<ms> <side> CMD <text>" when the box knows
// it, "<ms> <side> UNKNOWN <text>" otherwise (see Log::command).
#pragma once

#include "log.h"
#include "outbox.h"
#include "protocol.h"
#include "side.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

class Box {
public:
    using Clock = Outbox::Clock;
    using SendFn = std::function<void(Side, std::string_view)>;

    // stray: bytes sent once, in front of the first reply.
    Box(Log& log, Identity identity, Shaping shaping, std::string stray, SendFn send);

    void receive(Side from, std::string_view bytes);

    // Answers as the named box from now on (see namedIdentity); false if unknown.
    bool selectIdentity(std::string_view name);
    void setSilent(bool silent) { identity_.silent = silent; }

    // A new client on the side: forgets its partial input and unsent replies.
    void reset(Side side);

    std::optional<Clock::time_point> nextDue() const { return outbox_.nextDue(); }
    void releaseDue(Clock::time_point now) { outbox_.release(now, send_); }

private:
    Framer& framer(Side side) { return side == Side::Pty ? ptyInput_ : tcpInput_; }

    Log& log_;
    Identity identity_;
    std::string stray_;
    SendFn send_;
    Outbox outbox_;
    Framer ptyInput_;
    Framer tcpInput_;
};

} // namespace boxsim
