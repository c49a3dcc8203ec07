#include "box.h"

#include <utility>

namespace boxsim {

Box::Box(Log& log, Identity identity, Shaping shaping, std::string stray, SendFn send)
    : log_(log)
    , identity_(std::move(identity))
    , stray_(std::move(stray))
    , send_(std::move(send))
    , outbox_(shaping)
    , ptyInput_(boxFixedLengths())
    , tcpInput_(boxFixedLengths())
{
}

void Box::receive(Side from, std::string_view bytes)
{
    const Clock::time_point now = Clock::now();
    Framer& input = framer(from);
    input.append(bytes);
    while (const auto command = input.next()) {
        const auto reply = answer(identity_, *command);
        log_.command(from, *command, reply.has_value());
        if (!reply || reply->empty())
            continue;
        outbox_.push(from, stray_ + *reply, now);
        stray_.clear();
    }
    releaseDue(now);
}

bool Box::selectIdentity(std::string_view name)
{
    auto identity = namedIdentity(name);
    if (!identity)
        return false;
    identity_ = std::move(*identity);
    return true;
}

void Box::reset(Side side)
{
    framer(side).clear();
    outbox_.drop(side);
}

} // namespace boxsim
