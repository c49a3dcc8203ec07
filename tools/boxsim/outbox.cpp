#include "outbox.h"

#include <algorithm>

namespace boxsim {

namespace {

constexpr long long nsPerByteAtOneBaud = 10 * 1'000'000'000LL; // 10 bits per byte, in ns

} // namespace

Outbox::Clock::duration Outbox::lineTime(std::size_t n) const
{
    if (shaping_.baud == 0)
        return Clock::duration::zero();
    // 10 bits per byte, rounded up to whole nanoseconds. Computed from n, so
    // that no rounding adds up, and rounded up, so that release() at that time
    // finds the byte out (see there).
    const long long baud = shaping_.baud;
    const auto ns = (static_cast<long long>(n) * nsPerByteAtOneBaud + baud - 1) / baud;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns));
}

void Outbox::push(Side side, std::string_view bytes, Clock::time_point now)
{
    if (bytes.empty())
        return;
    auto& chunks = queue(side);
    const auto gap = shaping_.split > 0 ? Clock::duration(shaping_.splitGap) : Clock::duration::zero();
    Clock::time_point start = now + shaping_.delay;
    if (!chunks.empty())
        start = std::max(start, doneAt(chunks.back(), chunks.back().bytes.size()) + gap);

    const std::size_t size = shaping_.split > 0 ? shaping_.split : bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += size) {
        chunks.push_back({ start, std::string(bytes.substr(at, size)) });
        start = doneAt(chunks.back(), chunks.back().bytes.size()) + gap;
    }
}

std::optional<Outbox::Clock::time_point> Outbox::nextDue() const
{
    std::optional<Clock::time_point> next;
    for (const auto& chunks : queues_) {
        if (chunks.empty())
            continue;
        const auto due = doneAt(chunks.front(), chunks.front().sent + 1);
        if (!next || due < *next)
            next = due;
    }
    return next;
}

void Outbox::release(Clock::time_point now, const SendFn& send)
{
    for (Side side : { Side::Pty, Side::Tcp }) {
        auto& chunks = queue(side);
        while (!chunks.empty()) {
            Chunk& chunk = chunks.front();
            // The bytes whose last bit is out by now: the largest n with
            // ceil(n * scale / baud) <= elapsed, that is n = floor(elapsed * baud / scale).
            std::size_t done = chunk.bytes.size();
            if (now < doneAt(chunk, done)) {
                const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - chunk.start).count();
                done = elapsed <= 0 ? 0 : static_cast<std::size_t>(elapsed * shaping_.baud / nsPerByteAtOneBaud);
            }
            if (done <= chunk.sent)
                break;
            const std::string bytes = chunk.bytes.substr(chunk.sent, done - chunk.sent);
            chunk.sent = done;
            if (chunk.sent == chunk.bytes.size())
                chunks.pop_front();
            send(side, bytes);
        }
    }
}

} // namespace boxsim
