// Replies waiting to go out: each side's bytes leave in order, possibly cut
// into chunks with a gap between them and held back for a while, so that a
// client's receiver can be tried on slow and fragmented answers. Time is
// passed in, so the owner's poll loop decides when to wake up.
//
// With a baud rate set, every byte takes 10 bit times on the line (start bit,
// 8 data bits, stop bit) and leaves when its last bit is out: a chunk trickles
// out over several release() calls, and the next chunk starts only when the
// line is free (plus the split gap).
#pragma once

#include "side.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

struct Shaping {
    std::size_t split = 0;                     // bytes per chunk; 0 = whole replies
    std::chrono::milliseconds splitGap { 20 }; // between the chunks of a split reply
    std::chrono::milliseconds delay { 0 };     // before every reply
    unsigned baud = 0;                         // line speed for pacing; 0 = no pacing
};

class Outbox {
public:
    using Clock = std::chrono::steady_clock;
    using SendFn = std::function<void(Side, std::string_view)>;

    explicit Outbox(Shaping shaping)
        : shaping_(shaping)
    {
    }

    // Queues a reply created at `now`. It starts after the delay, but never
    // before the replies queued ahead of it on the same side are out.
    void push(Side side, std::string_view bytes, Clock::time_point now);

    // When the next chunk is due, if any is queued.
    std::optional<Clock::time_point> nextDue() const;

    // Sends every chunk that is due at `now`, each with its own send() call.
    void release(Clock::time_point now, const SendFn& send);

    // Forgets what is queued for the side.
    void drop(Side side) { queue(side).clear(); }

    void setDelay(std::chrono::milliseconds delay) { shaping_.delay = delay; }

    // How long n bytes take on the line at the set baud rate (zero without pacing).
    Clock::duration lineTime(std::size_t n) const;

private:
    struct Chunk {
        Clock::time_point start; // when its first byte may start
        std::string bytes;
        std::size_t sent = 0;
    };
    // When the chunk's byte number n (counted from 1) is out.
    Clock::time_point doneAt(const Chunk& chunk, std::size_t n) const { return chunk.start + lineTime(n); }
    std::deque<Chunk>& queue(Side side) { return queues_[side == Side::Pty ? 0 : 1]; }

    Shaping shaping_;
    std::deque<Chunk> queues_[2];
};

} // namespace boxsim
