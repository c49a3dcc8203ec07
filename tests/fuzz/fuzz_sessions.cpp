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
//          (n + 1) * 128 bytes for the next byte n, with one byte changed when e >> 2 is not 0
//          (e >> 2 sixty-thirds of the way through, so 63 changes the last);
//          steps: acknowledged()
//       2  advance the clock by the next byte times 1, 50, 1000 or 25000 ms (bits 2-3)
//       3  bit 2 clear: stop; set: start again (programming run: bit 3 with an image one byte
//          short, which start must refuse)
// Checked after every event: blocks go out whole, in address order, each once the one before was
// answered, then "A" or "AAAA" twice; steps go out in order, each after an answer; the end is
// told once, with the run idle, and a byte fed while it is told moves nothing; nothing goes out
// after the end, a stop or a start that must be refused; time-outs fire when due and not before;
// a verdict is that of the bytes read back, in whatever pieces they came.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fakes/fakes.h"
#include "firmware/block_run.h"
#include "firmware/hex_image.h"
#include "fuzz/check.h"
#include "link/acked_steps.h"

namespace {

using orv::firmware::BlockRun;
using orv::firmware::kBlockSize;
using orv::firmware::kImageSize;
using End = BlockRun::Result::End;
constexpr int kBauds[8] = {9600, 57600, 115200, 19200, 0, 1200, 460800, 921600};

struct Script {
    std::string_view rest;
    std::string bytes(std::size_t n) {
        std::string out(rest.substr(0, n));
        rest.remove_prefix(out.size());
        return out;
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(bytes(1)[0]); }  // 0 at the end
};

// What both checkers follow of a run of acknowledged sends (steps, or blocks and the read-back
// request): whether it is on, how many went out, whether the box answered the last, and when.
struct Session {
    explicit Session(int timeout) : timeout_ms(timeout) {}
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    int timeout_ms;
    bool live = false, acked = false;
    std::size_t sent = 0;
    std::int64_t last = 0;

    // Nothing goes out after the end or a stop, nor before the box answered the send before.
    void sent_one() {
        FUZZ_CHECK(live && (sent == 0 || acked));
        ++sent, acked = false, last = clock.now_ms();
    }
    // An arrival that `answers` the send in flight sends the next one or ends the run.
    template <class Feed>
    void arrival(bool answers, Feed feed) {
        acked = acked || answers;
        feed();
        FUZZ_CHECK(!answers || !live || !acked);
    }
    // The end is told once; silence only of the send in flight, once its time-out is up.
    void ended(bool silent, std::size_t step) {
        FUZZ_CHECK(live);
        FUZZ_CHECK(!silent || (step + 1 == sent && !acked && clock.now_ms() - last >= timeout_ms));
        live = false;
    }
    void advance(std::int64_t ms) {
        clock.advance(ms);
        FUZZ_CHECK(!live || clock.now_ms() - last < timeout_ms);  // no time-out missed
    }
};

struct Programming : Session {
    BlockRun run{*timer, clock};
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);
    bool read_back;
    int baud;
    bool refusing = false, blocks_told = false;
    std::string tail, back;  // the bytes after the last block; those fed since the request
    std::int64_t deadline = 0, limit = 0;  // the read-back's limit, and the latest it may end

    Programming(std::uint8_t setup, std::uint8_t seed)
        : Session(orv::firmware::kBlockAckTimeoutMs),
          read_back((setup & 2) != 0),
          baud(kBauds[(setup >> 2) & 7]) {
        // The read-back limit leaves the box at least the time the memory takes at the baud rate.
        FUZZ_CHECK(orv::firmware::readback_timeout_ms(baud) >=
                   kImageSize * 10'000.0 / (baud > 0 ? baud : 9600));
        for (std::size_t i = 0; i < kImageSize; ++i)
            image[i] = static_cast<std::uint8_t>((i * 167 + (i >> 7) * 13) ^ seed);
        timer->on_tick = [this] { run.tick(); };
        run.out = [this](std::string_view b) { out(b); };
        // The progress: the bytes of the blocks sent, and of the read-back so far.
        run.sent = [this](std::size_t n) { FUZZ_CHECK(live && n == sent * kBlockSize); };
        run.read = [this](std::size_t n) {
            FUZZ_CHECK(live && reading() && n == back.size() && n < kImageSize);
        };
        run.blocks_done = [this] {
            FUZZ_CHECK(live && !blocks_told && sent * kBlockSize == kImageSize && acked);
            blocks_told = true;
        };
        run.ended = [this](const BlockRun::Result& r) { ended(r); };
    }
    bool reading() const { return read_back && !tail.empty(); }
    // Blocks whole and in address order; after the last block's answer "A", or "AAAA" twice.
    void out(std::string_view b) {
        const char* next = reinterpret_cast<const char*>(image.data()) + sent * kBlockSize;
        FUZZ_CHECK(!refusing && (blocks_told || (sent * kBlockSize < kImageSize &&
                                                 b == std::string_view(next, kBlockSize))));
        if (!blocks_told) return sent_one();
        tail += b;
        FUZZ_CHECK(live && acked && (read_back ? tail == "A" : b == "AAAA" && tail.size() <= 8));
        if (!read_back) return;
        sent_one();
        deadline = last + orv::firmware::readback_timeout_ms(baud);
        limit = std::max(deadline, last + timeout_ms);
    }
    // Whether `r` is what the bytes read back call for.
    bool verdict(const BlockRun::Result& r) const {
        if (back.size() < kImageSize) return r.end == End::ReadBackStopped && r.got == back.size();
        std::vector<std::size_t> differ;
        for (std::size_t i = 0; i < kImageSize; ++i)
            if (static_cast<std::uint8_t>(back[i]) != image[i]) differ.push_back(i);
        const auto shown = std::min<std::size_t>(differ.size(), orv::firmware::kMaxVerifyMessages);
        return r.end == (differ.empty() ? End::Done : End::Differs) &&
               r.differing == differ.size() &&
               r.shown == std::vector<std::size_t>(differ.begin(), differ.begin() + shown);
    }
    // The run is idle when it tells its end: Silent in the blocks, Done once the boot loader is
    // closed, the verdict of the read-back (stopped only after 3 s without a byte or at its
    // limit); and a byte fed meanwhile moves nothing.
    void ended(const BlockRun::Result& r) {
        const std::int64_t now = clock.now_ms(), quiet = now - last;
        Session::ended(r.end == End::Silent, r.block);
        FUZZ_CHECK(!run.running());
        FUZZ_CHECK(reading() ? verdict(r) && (r.end != End::ReadBackStopped ||
                                              quiet >= timeout_ms || now >= deadline)
                             : r.end == (tail.size() == 8 ? End::Done : End::Silent));
        run.feed("x");
    }
    void feed(const std::string& bytes) {
        if (live && reading() && !bytes.empty()) back += bytes, last = clock.now_ms();
        arrival(live && !reading() && !bytes.empty(), [&] { run.feed(bytes); });
        FUZZ_CHECK(!live || !reading() || back.size() < kImageSize);  // a whole one has a verdict
    }
    // What a good box reads back from where the read-back stands, perhaps with one byte wrong.
    void echo(std::uint8_t e, Script& in) {
        const std::size_t from = reading() ? std::min(back.size(), kImageSize) : 0;
        std::string bytes(reinterpret_cast<const char*>(image.data()) + from,
                          std::min((in.byte() + std::size_t{1}) * kBlockSize, kImageSize - from));
        if (bytes.empty()) bytes = "x";
        if ((e >> 2) != 0)
            bytes[(e >> 2) * (bytes.size() - 1) / 63] ^= static_cast<char>(e);  // e is odd
        feed(bytes);
    }
    void advance(std::int64_t ms) {
        Session::advance(ms);
        FUZZ_CHECK(!live || !reading() || clock.now_ms() < limit);
    }
    // A start while the run is on, or (bit 3) with an image one byte short, must be refused.
    void start(std::uint8_t e) {
        const BlockRun::State before = run.state();
        refusing = live || (e & 8) != 0;
        if (!refusing) live = true, sent = 0, blocks_told = false, tail.clear(), back.clear();
        run.start({image.begin(), image.end() - (e & 8 ? 1 : 0)}, read_back, baud);
        FUZZ_CHECK(refusing ? run.state() == before : sent == 1);
        refusing = false;
    }
    void stop() { run.stop(), live = false; }
    void check_state() {
        using State = BlockRun::State;
        FUZZ_CHECK(run.state() == (!live       ? State::Idle
                                   : reading() ? State::ReadBack
                                               : State::Blocks));
        FUZZ_CHECK(timer->active() == live && (!live || reading() || run.block() + 1 == sent));
    }
};

struct Steps : Session {
    orv::link::AckedSteps steps{*timer, timeout_ms};
    std::size_t count;
    int echoes;  // steps the box acknowledges within the send

    Steps(std::uint8_t setup, std::uint8_t n, std::uint8_t timeout)
        : Session((timeout + 1) * 10), count(n), echoes((setup >> 2) & 7) {
        timer->on_tick = [this] { steps.timed_out(); };
        steps.send = [this](std::size_t step) {
            FUZZ_CHECK(step == sent && step < count);
            sent_one();
            if (echoes-- > 0) arrive(nullptr);
        };
        steps.done = [this] { told(false, 0, sent == count && (count == 0 || acked)); };
        steps.silent = [this](std::size_t step) { told(true, step, true); };
    }
    // Done only after the last step's answer, the run idle; a byte fed meanwhile moves nothing.
    void told(bool silent, std::size_t step, bool ok) {
        FUZZ_CHECK(ok && !steps.running());
        ended(silent, step);
        steps.feed("x"), steps.acknowledged();
    }
    // An arrival of `bytes`, or acknowledged() for none.
    void arrive(const std::string* b) {
        arrival(live && (!b || !b->empty()), [&] { b ? steps.feed(*b) : steps.acknowledged(); });
    }
    void feed(const std::string& bytes) { arrive(&bytes); }
    void echo(std::uint8_t, Script&) { arrive(nullptr); }
    void start(std::uint8_t) {
        if (live) return;  // the owner starts a run only when none is on
        live = true, sent = 0;
        steps.start(count);
        FUZZ_CHECK(count == 0 ? !live : sent > 0);
    }
    void stop() { steps.stop(), live = false; }
    void check_state() {
        FUZZ_CHECK(live == steps.running() && live == timer->active());
        FUZZ_CHECK(!live || steps.current() + 1 == sent);
    }
};

template <class S>
void play(S&& s, Script& in) {
    static const std::int64_t kAdvanceMs[4] = {1, 50, 1000, 25000};
    s.start(0);
    for (s.check_state(); !in.rest.empty(); s.check_state()) {
        const std::uint8_t e = in.byte();
        if ((e & 3) == 0) s.feed(in.bytes(e >> 2));
        if ((e & 3) == 1) s.echo(e, in);
        if ((e & 3) == 2) s.advance(in.byte() * kAdvanceMs[(e >> 2) & 3]);
        if ((e & 3) == 3) (e & 4) != 0 ? s.start(e) : s.stop();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script in{{reinterpret_cast<const char*>(data), size}};
    const std::uint8_t setup = in.byte(), seed = in.byte(), timeout = in.byte();
    (setup & 1) != 0 ? play(Steps(setup, seed, timeout), in) : play(Programming(setup, seed), in);
    return 0;
}
