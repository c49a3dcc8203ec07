// Fuzz target: the two acknowledged-step sessions on their own, with no program, window or port:
// the programming run (firmware::BlockRun) and the run of steps under it (link::AckedSteps).
// The input sets one up and plays a script of arrivals, clock advances, stops and starts; what
// the box has been sent is checked against the script after every event.
//
// Input layout (missing bytes read as 0):
//   [0] bit 0 the session: 0 the programming run, 1 the steps alone;
//       bit 5 the owner feeds a byte back in while it is told that the run is over;
//       programming run: bit 1 read back (a serial link) or close the boot loader (a gateway),
//       bits 2-4 the baud rate (kBauds), bit 6 the image: one byte repeated or a pseudo-random
//       fill from [1];
//       steps: bits 2-4 how many steps the box acknowledges within the send itself
//   [1] programming run: the image's byte or seed; steps: the number of steps
//   [2] steps: the time-out of a step, (n + 1) * 10 ms
//   [3..] events, by bits 0-1 of their first byte e:
//       0  feed the next e >> 2 input bytes (0 to 63; none is no arrival)
//       1  programming run: feed what a good box reads back from where the read-back stands,
//          (n + 1) * 128 bytes for the next byte n, with one byte changed when e >> 2 is not 0;
//          steps: acknowledged()
//       2  advance the clock by the next byte times 1, 50, 1000 or 25000 ms (bits 2-3)
//       3  bit 2 clear: stop; set: start again (programming run: bit 3 with an image one byte
//          short, which start must refuse)
// Checked after every event: blocks go out whole, in address order, each once the one before was
// answered, then "A" or "AAAA" twice; a run ends once, idle, and sends nothing after its end or a
// stop; time-outs fire when due and not before; a verdict is that of the bytes read back; steps
// go out in order, each after an answer, with done or silent at most once.
// Then, for the programming run, the bytes fed (up to a whole memory's worth) are fed as the
// read-back of a new run once whole and once in the script's pieces: one verdict either way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fakes/fakes.h"
#include "firmware/block_run.h"
#include "firmware/hex_image.h"
#include "link/acked_steps.h"

namespace {

using orv::firmware::BlockRun;
using orv::firmware::kBlockAckTimeoutMs;
using orv::firmware::kBlockSize;
using orv::firmware::kImageSize;
using orv::firmware::readback_timeout_ms;
using End = BlockRun::Result::End;
constexpr std::size_t kBlocks = kImageSize / kBlockSize;
constexpr int kBauds[8] = {9600, 57600, 115200, 19200, 0, 1200, 460800, 921600};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_sessions: invariant broken: %s\n", what);
    std::abort();
}
void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::string bytes(std::size_t n) {
        n = std::min(n, size - at);
        at += n;
        return std::string(reinterpret_cast<const char*>(data + at - n), n);
    }
};

// What a run must conclude from `back`, the bytes the box sent after the read-back request.
BlockRun::Result verdict(const std::vector<std::uint8_t>& image, const std::string& back) {
    BlockRun::Result r;
    if (back.size() < kImageSize) {
        r.end = End::ReadBackStopped;
        r.got = back.size();
        return r;
    }
    // A block at a time, and byte by byte only within a block that differs.
    for (std::size_t at = 0; at < kImageSize; at += kBlockSize) {
        if (std::memcmp(back.data() + at, image.data() + at, kBlockSize) == 0) continue;
        for (std::size_t i = at; i < at + kBlockSize; ++i) {
            if (static_cast<std::uint8_t>(back[i]) == image[i]) continue;
            if (r.differing++ < static_cast<std::size_t>(orv::firmware::kMaxVerifyMessages))
                r.shown.push_back(i);
        }
    }
    if (r.differing != 0) r.end = End::Differs;
    return r;
}

std::string join(const std::vector<std::string>& pieces) {
    std::string all;
    for (const auto& p : pieces) all += p;
    return all;
}

bool same(const BlockRun::Result& a, const BlockRun::Result& b) {
    return a.end == b.end && a.block == b.block && a.got == b.got && a.differing == b.differing &&
           a.shown == b.shown;
}

// The programming run, and what the box has seen of it.
struct Programming {
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    BlockRun run{*timer, clock};
    std::vector<std::uint8_t> image;
    bool read_back = false;
    int baud = 0;
    bool feed_when_told = false;
    std::vector<std::string> pieces;  // every piece fed, up to a whole memory's worth
    std::size_t piece_bytes = 0;

    bool live = false;   // started, and neither over nor stopped
    bool quiet = false;  // within a start that must be refused
    std::size_t blocks = 0;
    bool acked = false;  // a byte fed since the last block went out
    bool told_blocks_done = false;
    std::string tail;      // the bytes after the last block
    bool reading = false;  // the read-back request went out
    std::string back;      // the bytes fed since
    std::int64_t last = 0, read_from = 0, deadline = 0;

    Programming() {
        timer->on_tick = [this] { run.tick(); };
        run.out = [this](std::string_view b) { sent_out(b); };
        run.sent = [this](std::size_t n) {
            check(live && n == blocks * kBlockSize, "sent: not the bytes of the blocks sent");
        };
        run.read = [this](std::size_t n) {
            check(live && reading && n == back.size() && n < kImageSize,
                  "read: not the number of bytes read back");
        };
        run.blocks_done = [this] {
            check(live && !told_blocks_done && blocks == kBlocks && acked,
                  "blocks_done before the last block was acknowledged, or twice");
            told_blocks_done = true;
        };
        run.ended = [this](const BlockRun::Result& r) { over(r); };
    }

    void sent_out(std::string_view b) {
        check(!quiet, "a start that had to be refused sent bytes");
        check(live, "bytes sent after the run was over or stopped");
        if (blocks < kBlocks) {
            check(blocks == 0 || acked, "a block sent before the one before was acknowledged");
            const std::string_view want(
                reinterpret_cast<const char*>(image.data()) + blocks * kBlockSize, kBlockSize);
            check(b == want, "a block that is not the image's next 128 bytes");
            ++blocks;
            acked = false;
            last = clock.now_ms();
            return;
        }
        check(acked && told_blocks_done, "bytes after the last block before it was acknowledged");
        tail += b;
        if (!read_back) {
            check(b == "AAAA", "the boot loader is not closed with AAAA twice");
            return;
        }
        check(tail == "A", "the read-back request is not one A");
        reading = true;
        acked = false;
        last = read_from = clock.now_ms();
        deadline = read_from + readback_timeout_ms(baud);
    }

    void over(const BlockRun::Result& r) {
        check(live, "ended twice, or after a stop");
        check(run.state() == BlockRun::State::Idle && !run.running(),
              "ended with the run still on");
        live = false;
        const std::int64_t now = clock.now_ms();
        switch (r.end) {
            case End::Silent:
                check(!reading && !acked && r.block + 1 == blocks,
                      "Silent does not name the block in flight");
                check(now - last >= kBlockAckTimeoutMs, "Silent before the block's time was up");
                break;
            case End::ReadBackStopped:
                check(reading && same(r, verdict(image, back)),
                      "ReadBackStopped does not count the bytes read back");
                check(now - last >= kBlockAckTimeoutMs || now >= deadline,
                      "the read-back stopped while bytes kept coming, before its limit");
                break;
            case End::Done:
                if (!read_back) {
                    check(tail == "AAAAAAAA", "Done before the boot loader was closed");
                    break;
                }
                [[fallthrough]];
            case End::Differs:
                check(reading && back.size() >= kImageSize,
                      "a verdict before the whole memory was read back");
                check(same(r, verdict(image, back)),
                      "the verdict is not that of the bytes read back");
                break;
        }
        if (feed_when_told) run.feed("x");
    }

    void feed(const std::string& bytes) {
        if (piece_bytes < kImageSize) {
            pieces.push_back(bytes);
            piece_bytes += bytes.size();
        }
        const bool acks = live && !reading && !bytes.empty();
        if (acks) acked = true;
        if (live && reading) {
            back += bytes;
            if (!bytes.empty()) last = clock.now_ms();
        }
        run.feed(bytes);
        if (!live || bytes.empty()) return;
        if (acks) check(!acked, "an acknowledgement sent nothing");
        if (reading)
            check(back.size() < kImageSize, "the whole memory came back without a verdict");
    }
    // What a good box reads back from where the read-back stands, perhaps with one byte wrong.
    void echo(std::uint8_t e, Input& in) {
        const std::size_t from = reading ? std::min(back.size(), kImageSize) : 0;
        const std::size_t len =
            std::min((in.byte() + std::size_t{1}) * kBlockSize, kImageSize - from);
        std::string bytes =
            len == 0 ? std::string("x")
                     : std::string(reinterpret_cast<const char*>(image.data()) + from, len);
        if ((e >> 2) != 0) {
            char& c = bytes[static_cast<std::size_t>(e >> 2) * bytes.size() / 64];
            c = static_cast<char>(c ^ static_cast<char>(e));  // e is odd: the byte changes
        }
        feed(bytes);
    }
    void advance(std::int64_t ms) {
        clock.advance(ms);
        if (!live) return;
        const std::int64_t now = clock.now_ms();
        check(now - last < kBlockAckTimeoutMs,
              "no byte for the whole time-out, and the run goes on");
        if (reading)
            check(now < std::max(deadline, read_from + kBlockAckTimeoutMs),
                  "the read-back goes on past its limit");
    }
    void start(std::uint8_t e) {
        const bool short_image = (e & 8) != 0;
        if (live || short_image) {
            const BlockRun::State before = run.state();
            auto img = image;
            if (short_image) img.pop_back();
            quiet = true;
            run.start(std::move(img), read_back, baud);
            quiet = false;
            check(run.state() == before, "a start that had to be refused changed the run");
            return;
        }
        live = true;
        blocks = 0;
        acked = told_blocks_done = reading = false;
        tail.clear();
        back.clear();
        run.start(image, read_back, baud);
        check(blocks == 1, "start did not send block 0");
    }
    void stop() {
        run.stop();
        live = false;
    }
    void check_state() {
        if (!live) {
            check(run.state() == BlockRun::State::Idle && !run.running() && !timer->active(),
                  "not idle (or a timer still on) after the run was over or stopped");
            return;
        }
        check(run.state() == (reading ? BlockRun::State::ReadBack : BlockRun::State::Blocks),
              "the run's state is not where its bytes say");
        check(timer->active(), "a run on with no time-out armed");
        if (!reading) check(run.block() + 1 == blocks, "block() is not the block in flight");
    }
};

// A new run on its own clock acknowledges every block with one byte, then gets `pieces` as the
// read-back, one by one or joined into one arrival, with no time passing until they are in.
BlockRun::Result read_back(const std::vector<std::uint8_t>& image, int baud,
                           const std::vector<std::string>& pieces, bool whole) {
    orv::fake::Clock clock;
    const auto timer = clock.make_timer();
    BlockRun run(*timer, clock);
    timer->on_tick = [&run] { run.tick(); };
    std::vector<BlockRun::Result> results;
    run.out = [](std::string_view) {};
    run.ended = [&results](const BlockRun::Result& r) { results.push_back(r); };
    run.start(image, true, baud);
    for (std::size_t k = 0; k < kBlocks; ++k) run.feed("\x06");
    const std::vector<std::string> one{join(pieces)};
    for (const auto& p : whole ? one : pieces) run.feed(p);
    clock.advance(readback_timeout_ms(baud) + kBlockAckTimeoutMs);
    check(results.size() == 1, "a read-back run did not end exactly once");
    return results[0];
}

// The run of steps, and what the box has seen of it.
struct Steps {
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    int timeout_ms;
    orv::link::AckedSteps steps;
    std::size_t count = 0;
    int echoes = 0;  // steps the box acknowledges within the send
    bool feed_when_told = false;

    bool live = false;
    bool acked = false;
    std::size_t sent = 0;
    std::int64_t last = 0;

    explicit Steps(int timeout) : timeout_ms(timeout), steps(*timer, timeout) {
        timer->on_tick = [this] { steps.timed_out(); };
        steps.send = [this](std::size_t step) {
            check(live, "a step sent after the run was over or stopped");
            check(step == sent && step < count, "steps out of order");
            check(sent == 0 || acked, "a step sent before the one before was acknowledged");
            ++sent;
            acked = false;
            last = clock.now_ms();
            if (echoes > 0) {
                --echoes;
                arrive(nullptr);
            }
        };
        steps.done = [this] {
            told();
            check(sent == count && (count == 0 || acked), "done before the last step's answer");
        };
        steps.silent = [this](std::size_t step) {
            told();
            check(step + 1 == sent && !acked, "silent does not name the step in flight");
            check(clock.now_ms() - last >= timeout_ms, "silent before the step's time was up");
        };
    }
    void told() {
        check(live, "done or silent twice, or after a stop");
        check(!steps.running(), "told of the end with the run still on");
        live = false;
        if (feed_when_told) {
            steps.feed("x");
            steps.acknowledged();
        }
    }
    // An arrival of `bytes`, or acknowledged() for none.
    void arrive(const std::string* bytes) {
        const bool acks = live && (bytes == nullptr || !bytes->empty());
        if (acks) acked = true;
        if (bytes != nullptr)
            steps.feed(*bytes);
        else
            steps.acknowledged();
        if (acks && live) check(!acked, "an acknowledgement sent nothing");
    }
    void feed(const std::string& bytes) { arrive(&bytes); }
    void echo(std::uint8_t, Input&) { arrive(nullptr); }
    void advance(std::int64_t ms) {
        clock.advance(ms);
        if (live) check(clock.now_ms() - last < timeout_ms, "a step unanswered past its time-out");
    }
    void start(std::uint8_t) {
        if (live) return;  // the owner starts a run only when none is on
        live = true;
        acked = false;
        sent = 0;
        steps.start(count);
        check(count == 0 ? !live : sent > 0, "start did not send step 0");
    }
    void stop() {
        steps.stop();
        live = false;
    }
    void check_state() {
        check(live == steps.running(), "running() is not what the sends say");
        check(live == timer->active(),
              "the time-out armed with no run on, or not armed with one on");
        if (live) check(steps.current() + 1 == sent, "current() is not the step in flight");
    }
};

template <class Session>
void play(Session& s, Input& in) {
    static const std::int64_t kAdvanceMs[4] = {1, 50, 1000, 25000};
    s.start(0);
    s.check_state();
    while (in.at < in.size) {
        const std::uint8_t e = in.byte();
        switch (e & 3) {
            case 0:
                s.feed(in.bytes(static_cast<std::size_t>(e >> 2)));
                break;
            case 1:
                s.echo(e, in);
                break;
            case 2:
                s.advance(in.byte() * kAdvanceMs[(e >> 2) & 3]);
                break;
            default:
                if ((e & 4) == 0)
                    s.stop();
                else
                    s.start(e);
        }
        s.check_state();
    }
}

std::vector<std::uint8_t> make_image(bool random, std::uint8_t seed) {
    std::vector<std::uint8_t> img(kImageSize, seed);
    if (!random) return img;
    std::uint32_t x = 0x9E3779B9u ^ seed;
    for (auto& b : img) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return img;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const std::uint8_t setup = in.byte();
    const std::uint8_t seed = in.byte();
    const std::uint8_t timeout = in.byte();
    const bool feed_when_told = (setup & 0x20) != 0;
    if ((setup & 1) != 0) {
        Steps s((timeout + 1) * 10);
        s.count = seed;
        s.echoes = (setup >> 2) & 7;
        s.feed_when_told = feed_when_told;
        play(s, in);
        return 0;
    }
    Programming p;
    p.image = make_image((setup & 0x40) != 0, seed);
    p.read_back = (setup & 2) != 0;
    p.baud = kBauds[(setup >> 2) & 7];
    p.feed_when_told = feed_when_told;
    const int effective = p.baud > 0 ? p.baud : 9600;
    check(readback_timeout_ms(p.baud) >= static_cast<double>(kImageSize) * 10'000.0 / effective,
          "the read-back limit is shorter than the memory takes at the baud rate");
    play(p, in);

    const auto whole = read_back(p.image, p.baud, p.pieces, true);
    const auto cut = read_back(p.image, p.baud, p.pieces, false);
    check(same(whole, cut), "the verdict depends on how the read-back arrives");
    check(same(whole, verdict(p.image, join(p.pieces))),
          "the verdict is not that of the bytes read back");
    return 0;
}
