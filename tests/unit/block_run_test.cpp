// The programming run on its own: no port, no window, only bytes in and out and the clock.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fakes/fakes.h"
#include "firmware/block_run.h"
#include "firmware/hex_image.h"

namespace {

using orv::firmware::BlockRun;
using End = BlockRun::Result::End;
using Verdict = std::tuple<End, std::size_t, std::vector<std::size_t>>;

std::vector<std::uint8_t> image() {
    std::vector<std::uint8_t> img(orv::firmware::kImageSize);
    for (std::size_t i = 0; i < img.size(); ++i) img[i] = static_cast<std::uint8_t>(i * 7 + 3);
    img[300] = '#';  // a data byte like any other
    return img;
}

struct Run : ::testing::Test {
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    BlockRun run{*timer, clock};
    std::vector<BlockRun::Result> results;

    void SetUp() override {
        timer->on_tick = [this] { run.tick(); };
        run.out = [](std::string_view) {};
        run.ended = [this](const BlockRun::Result& r) {
            results.push_back(r);
            run.feed("x");  // an arrival while its message is open moves nothing
        };
    }
    // Starts a serial run at 57600 baud and acknowledges every block, one byte each.
    void start_and_ack_all() {
        results.clear();
        run.start(image(), true, 57600);
        for (int k = 0; k < 224; ++k) run.feed("\x06");
    }
};

// The read-back gives one verdict however it is cut into arrivals.
TEST_F(Run, TheVerdictDoesNotDependOnHowTheReadBackArrives) {
    const auto img = image();
    std::string good(img.begin(), img.end()), bad = good;
    bad[5] ^= 1;
    bad[9] = static_cast<char>(bad[9] ^ 0x40);
    for (std::size_t i = 1000; i < 1020; ++i) bad[i] = static_cast<char>(~bad[i]);
    const Verdict differs{End::Differs, 22, {5, 9, 1000, 1001, 1002, 1003, 1004, 1005}};
    for (const auto& [back, verdict] : {std::pair{good, Verdict{End::Done, 0, {}}}, {bad, differs}})
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, back.size()}) {
            start_and_ack_all();
            for (std::size_t at = 0; at < back.size(); at += piece)
                run.feed(back.substr(at, piece));
            run.feed("more");  // bytes past the memory change nothing
            ASSERT_EQ(results.size(), 1u) << piece;
            EXPECT_EQ(Verdict(results[0].end, results[0].differing, results[0].shown), verdict);
        }
}

// A run starts once, with a whole image only, and the progress counts each block sent. The box
// then gets three seconds to begin the read-back and for each next piece, and the whole of it no
// longer than its time at the baud rate with a margin (no baud rate read: 9600).
TEST_F(Run, StartsOnceWithAWholeImageAndWaitsThreeSecondsForEachPieceOfTheReadBack) {
    EXPECT_EQ(orv::firmware::readback_timeout_ms(0), orv::firmware::readback_timeout_ms(9600));
    const int whole = orv::firmware::readback_timeout_ms(57600);
    std::vector<std::size_t> progress;
    run.sent = [&](std::size_t bytes) { progress.push_back(bytes); };
    run.start(std::vector<std::uint8_t>(100), true, 57600);
    EXPECT_FALSE(run.running());
    for (const int pieces : {0, whole / 2000}) {
        progress.clear();
        run.start(image(), true, 57600);
        start_and_ack_all();  // the second start changes nothing
        EXPECT_EQ((std::vector{progress.size(), progress[0], progress.back()}),
                  (std::vector<std::size_t>{224, 128, 28672}));
        for (int k = 0; k < pieces; ++k) {
            clock.advance(2000);
            run.feed(std::string(100, 'x'));
        }
        clock.advance((pieces == 0 ? 3000 : whole - 2000 * pieces) - 1);
        EXPECT_TRUE(results.empty()) << pieces;
        clock.advance(1);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(std::tie(results[0].end, results[0].got),
                  std::tuple(End::ReadBackStopped, std::size_t(100 * pieces)));
    }
}

}  // namespace
