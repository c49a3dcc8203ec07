// Fuzz target: the two acknowledged-step sessions on their own, with no program, window or port:
// the programming run (firmware::BlockRun) and the run of steps under it (link::AckedSteps).
// The input sets one up and plays a script of arrivals, clock advances, stops and starts; one
// checker per session follows what the box has been sent and checks it after every event.
//
// Input layout (missing bytes read as 0):
//   [0] bit 0 the session: 0 the programming run, 1 the steps alone;
//       programming run: bit 1 read back (a serial link) or close the boot loader (a gateway),
//       bits 2-4 the baud rate (kBauds); steps: bits 2-4 how many steps the box acknowledges
//       within the send itself
//   [1] programming run: the seed of the image's bytes; steps: the number of steps
//   [2] steps: the time-out of a step, (n + 1) * 10 ms
//   [3..] events, by bits 0-1 of their first byte e:
//       0  feed the next e >> 2 input bytes (0 to 63; none is no arrival)
//       1  programming run: feed what a good box reads back from where the read-back stands,
//          (n + 1) * 128 bytes for the next byte n, with one byte changed when e >> 2 is not 0;
//          steps: acknowledged()
//       2  advance the clock by the next byte times 1, 50, 1000 or 25000 ms (bits 2-3)
//       3  bit 2 clear: stop; set: start again (programming run: bit 3 with an image one byte
//          short, which start must refuse)
// Checked: blocks go out whole, in address order, each once the one before was answered, then
// "A" or "AAAA" twice; steps go out in order, each after an answer; the end is told once, with
// the run idle, and a byte fed while it is told moves nothing; nothing goes out after the end or
// a stop; time-outs fire when due and not before; a verdict is that of the bytes read back.
// Then the bytes the programming run was fed (up to a memory's worth) are the read-back of a new
// run, once whole and once in the script's pieces: one verdict either way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
using End = BlockRun::Result::End;
constexpr std::size_t kBlocks = kImageSize / kBlockSize;
constexpr int kBauds[8] = {9600, 57600, 115200, 19200, 0, 1200, 460800, 921600};

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_sessions: invariant broken: %s\n", what);
    std::abort();
}

struct Script {
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
    for (std::size_t i = 0; i < kImageSize; ++i)
        if (static_cast<std::uint8_t>(back[i]) != image[i] &&
            r.differing++ < static_cast<std::size_t>(orv::firmware::kMaxVerifyMessages))
            r.shown.push_back(i);
    if (r.differing != 0) r.end = End::Differs;
    return r;
}

bool same(const BlockRun::Result& a, const BlockRun::Result& b) {
    return a.end == b.end && a.block == b.block && a.got == b.got && a.differing == b.differing &&
           a.shown == b.shown;
}

// What both checkers follow of a run of acknowledged sends (steps, or blocks and the read-back
// request): whether it is on, how many went out, whether the box answered the last, and when.
struct Session {
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    int timeout_ms;
    bool live = false;
    bool acked = false;
    std::size_t sent = 0;
    std::int64_t last = 0;
    explicit Session(int timeout) : timeout_ms(timeout) {}
    void sent_one() {
        check(live, "sent after the run was over or stopped");
        check(sent == 0 || acked, "sent before the one before was answered");
        ++sent;
        acked = false;
        last = clock.now_ms();
    }
    // An arrival that `answers` the send in flight must send the next one or end the run.
    template <class Feed>
    void arrival(bool answers, Feed feed) {
        acked = acked || answers;
        feed();
        check(!answers || !live || !acked, "an answer sent nothing");
    }
    void silent(std::size_t in_flight) {
        check(in_flight + 1 == sent && !acked && clock.now_ms() - last >= timeout_ms,
              "silent early, or not naming the send in flight");
    }
    void told() {
        check(live, "the end told twice, or after a stop");
        live = false;
    }
    void advance(std::int64_t ms) {
        clock.advance(ms);
        check(!live || clock.now_ms() - last < timeout_ms, "unanswered past its time-out");
    }
};

struct Programming : Session {
    BlockRun run{*timer, clock};
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
    bool read_back;
    int baud;
    std::vector<std::string> pieces;  // every piece fed, up to a memory's worth
    std::string all;                  // and those pieces joined
    bool blocks_told = false;
    bool quiet = false;    // within a start that must be refused
    bool reading = false;  // the read-back request went out
    std::string tail;      // the bytes after the last block
    std::string back;      // the bytes fed since the read-back request
    std::int64_t read_from = 0, deadline = 0;

    Programming(std::uint8_t setup, std::uint8_t seed)
        : Session(kBlockAckTimeoutMs), read_back((setup & 2) != 0), baud(kBauds[(setup >> 2) & 7]) {
        check(orv::firmware::readback_timeout_ms(baud) >=
                  static_cast<double>(kImageSize) * 10'000.0 / (baud > 0 ? baud : 9600),
              "the read-back limit is shorter than the memory takes at the baud rate");
        for (std::size_t i = 0; i < kImageSize; ++i)
            image[i] = static_cast<std::uint8_t>((i * 167 + (i >> 7) * 13) ^ seed);
        timer->on_tick = [this] { run.tick(); };
        run.out = [this](std::string_view b) { out(b); };
        run.sent = [this](std::size_t n) {
            check(live && n == sent * kBlockSize, "sent: not the bytes of the blocks sent");
        };
        run.read = [this](std::size_t n) {
            check(live && reading && n == back.size() && n < kImageSize, "read: not the count");
        };
        run.blocks_done = [this] {
            check(live && !blocks_told && sent == kBlocks && acked, "blocks_done early or twice");
            blocks_told = true;
        };
        run.ended = [this](const BlockRun::Result& r) { ended(r); };
    }
    void out(std::string_view b) {
        check(!quiet, "a start that had to be refused sent bytes");
        if (sent < kBlocks) {
            check(b == std::string_view(
                           reinterpret_cast<const char*>(image.data()) + sent * kBlockSize,
                           kBlockSize),
                  "a block that is not the image's next 128 bytes");
            return sent_one();
        }
        check(live && acked && blocks_told, "bytes after the last block before its answer");
        tail += b;
        if (!read_back) return check(b == "AAAA", "the boot loader not closed with AAAA");
        check(tail == "A", "the read-back request is not one A");
        reading = true;
        sent_one();
        read_from = last;
        deadline = last + orv::firmware::readback_timeout_ms(baud);
    }
    void ended(const BlockRun::Result& r) {
        told();
        check(!run.running(), "ended with the run still on");
        const std::int64_t now = clock.now_ms();
        if (r.end == End::Silent) {
            check(!reading, "Silent in the read-back");
            silent(r.block);
        } else if (r.end == End::Done && !read_back) {
            check(tail == "AAAAAAAA", "Done before the boot loader was closed");
        } else {
            check(reading && same(r, verdict(image, back)) &&
                      (r.end != End::ReadBackStopped || now - last >= kBlockAckTimeoutMs ||
                       now >= deadline),
                  "a verdict that is not that of the bytes read back, or early");
        }
        run.feed("x");
    }
    void feed(const std::string& bytes) {
        if (all.size() < kImageSize) {
            pieces.push_back(bytes);
            all += bytes;
        }
        if (live && reading && !bytes.empty()) {
            back += bytes;
            last = clock.now_ms();
        }
        arrival(live && !reading && !bytes.empty(), [&] { run.feed(bytes); });
        if (live && reading) check(back.size() < kImageSize, "a whole read-back with no verdict");
    }
    // What a good box reads back from where the read-back stands, perhaps with one byte wrong.
    void echo(std::uint8_t e, Script& in) {
        const std::size_t from = reading ? std::min(back.size(), kImageSize) : 0;
        const std::size_t len =
            std::min((in.byte() + std::size_t{1}) * kBlockSize, kImageSize - from);
        std::string bytes(reinterpret_cast<const char*>(image.data()) + from, len);
        if (len == 0) bytes = "x";
        if ((e >> 2) != 0) bytes[(e >> 2) * bytes.size() / 64] ^= static_cast<char>(e);  // e odd
        feed(bytes);
    }
    void advance(std::int64_t ms) {
        Session::advance(ms);
        check(!live || !reading ||
                  clock.now_ms() < std::max(deadline, read_from + kBlockAckTimeoutMs),
              "read back past its limit");
    }
    void start(std::uint8_t e) {
        if (live || (e & 8) != 0) {
            const BlockRun::State before = run.state();
            auto img = image;
            if ((e & 8) != 0) img.pop_back();
            quiet = true;
            run.start(std::move(img), read_back, baud);
            quiet = false;
            return check(run.state() == before, "a start that had to be refused changed the run");
        }
        live = true;
        sent = 0;
        blocks_told = reading = false;
        tail.clear();
        back.clear();
        run.start(image, read_back, baud);
        check(sent == 1, "start did not send block 0");
    }
    void stop() {
        run.stop();
        live = false;
    }
    void check_state() {
        check(run.state() == (!live     ? BlockRun::State::Idle
                              : reading ? BlockRun::State::ReadBack
                                        : BlockRun::State::Blocks),
              "the run's state is not where its bytes say");
        check(timer->active() == live, "the time-out armed with no run, or not with one");
        check(!live || reading || run.block() + 1 == sent, "block() is not the one in flight");
    }
};

// A new run answers every block with one byte, then gets `pieces` as the read-back, one by one
// or joined into one arrival, with no time passing until they are in.
BlockRun::Result read_back(const Programming& p, bool whole) {
    orv::fake::Clock clock;
    const auto timer = clock.make_timer();
    BlockRun run(*timer, clock);
    timer->on_tick = [&run] { run.tick(); };
    std::vector<BlockRun::Result> results;
    run.out = [](std::string_view) {};
    run.ended = [&results](const BlockRun::Result& r) { results.push_back(r); };
    run.start(p.image, true, p.baud);
    for (std::size_t k = 0; k < kBlocks; ++k) run.feed("\x06");
    if (whole)
        run.feed(p.all);
    else
        for (const auto& piece : p.pieces) run.feed(piece);
    clock.advance(orv::firmware::readback_timeout_ms(p.baud) + kBlockAckTimeoutMs);
    check(results.size() == 1, "a read-back run did not end exactly once");
    return results[0];
}

struct Steps : Session {
    orv::link::AckedSteps steps;
    std::size_t count;
    int echoes;  // steps the box acknowledges within the send

    Steps(std::uint8_t setup, std::uint8_t n, std::uint8_t timeout)
        : Session((timeout + 1) * 10),
          steps(*timer, timeout_ms),
          count(n),
          echoes((setup >> 2) & 7) {
        timer->on_tick = [this] { steps.timed_out(); };
        steps.send = [this](std::size_t step) {
            check(step == sent && step < count, "steps out of order");
            sent_one();
            if (echoes > 0) {
                --echoes;
                arrive(nullptr);
            }
        };
        steps.done = [this] {
            ended();
            check(sent == count && (count == 0 || acked), "done before the last step's answer");
        };
        steps.silent = [this](std::size_t step) {
            ended();
            silent(step);
        };
    }
    void ended() {
        told();
        check(!steps.running(), "told of the end with the run still on");
        steps.feed("x");
        steps.acknowledged();
    }
    // An arrival of `bytes`, or acknowledged() for none.
    void arrive(const std::string* bytes) {
        arrival(live && (bytes == nullptr || !bytes->empty()),
                [&] { bytes ? steps.feed(*bytes) : steps.acknowledged(); });
    }
    void feed(const std::string& bytes) { arrive(&bytes); }
    void echo(std::uint8_t, Script&) { arrive(nullptr); }
    void start(std::uint8_t) {
        if (live) return;  // the owner starts a run only when none is on
        live = true;
        sent = 0;
        steps.start(count);
        check(count == 0 ? !live : sent > 0, "start did not send step 0");
    }
    void stop() {
        steps.stop();
        live = false;
    }
    void check_state() {
        check(live == steps.running() && live == timer->active(),
              "running() or the time-out not what the sends say");
        check(!live || steps.current() + 1 == sent, "current() is not the step in flight");
    }
};

template <class S>
void play(S& s, Script& in) {
    static const std::int64_t kAdvanceMs[4] = {1, 50, 1000, 25000};
    s.start(0);
    s.check_state();
    while (in.at < in.size) {
        const std::uint8_t e = in.byte();
        if ((e & 3) == 0) s.feed(in.bytes(e >> 2));
        if ((e & 3) == 1) s.echo(e, in);
        if ((e & 3) == 2) s.advance(in.byte() * kAdvanceMs[(e >> 2) & 3]);
        if ((e & 3) == 3) (e & 4) != 0 ? s.start(e) : s.stop();
        s.check_state();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script in{data, size};
    const std::uint8_t setup = in.byte();
    const std::uint8_t seed = in.byte();
    const std::uint8_t timeout = in.byte();
    if ((setup & 1) != 0) {
        Steps s(setup, seed, timeout);
        play(s, in);
        return 0;
    }
    Programming p(setup, seed);
    play(p, in);
    const auto whole = read_back(p, true);
    check(same(whole, read_back(p, false)), "the verdict depends on how the read-back arrives");
    check(same(whole, verdict(p.image, p.all)), "the verdict is not that of the bytes read back");
    return 0;
}
