#include "outbox.h"

#include <algorithm>

namespace boxsim {

void Outbox::push(Side side, std::string_view bytes, Clock::time_point now)
{
    if (bytes.empty())
        return;
    auto& chunks = queue(side);
    const auto gap = shaping_.split > 0 ? Clock::duration(shaping_.splitGap) : Clock::duration::zero();
    Clock::time_point due = now + shaping_.delay;
    if (!chunks.empty())
        due = std::max(due, chunks.back().due + gap);

    const std::size_t size = shaping_.split > 0 ? shaping_.split : bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += size, due += gap)
        chunks.push_back({ due, std::string(bytes.substr(at, size)) });
}

std::optional<Outbox::Clock::time_point> Outbox::nextDue() const
{
    std::optional<Clock::time_point> next;
    for (const auto& chunks : queues_) {
        if (!chunks.empty() && (!next || chunks.front().due < *next))
            next = chunks.front().due;
    }
    return next;
}

void Outbox::release(Clock::time_point now, const SendFn& send)
{
    for (Side side : { Side::Pty, Side::Tcp }) {
        auto& chunks = queue(side);
        while (!chunks.empty() && chunks.front().due <= now) {
            const Chunk chunk = std::move(chunks.front());
            chunks.pop_front();
            send(side, chunk.bytes);
        }
    }
}

} // namespace boxsim
