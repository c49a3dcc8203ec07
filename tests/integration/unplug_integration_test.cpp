// Pulling the box out: its pseudo-terminal disappears while the link is idle and while the box
// is being programmed. The loss is reported quickly, the program goes quiet, and connecting
// again once the box is back works without a restart.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QElapsedTimer>

#include "firmware/hex_image.h"
#include "integration/live_program.h"

namespace {

using orv::test::wait_until;

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The box on a link of a stable name, like a by-id link, pinned as COM3.
class Unplug : public ::testing::Test, protected orv::test::BoxOnLink {
protected:
    void SetUp() override { ASSERT_TRUE(start_connected({"--box", "gen2"})); }
};

TEST_F(Unplug, WhileIdleIsReportedWithinASecondThenQuietAndTheBoxCanComeBack) {
    QElapsedTimer clock;
    clock.start();
    box->kill();
    ASSERT_TRUE(wait_until([&] { return !live->dialogs.messages().empty(); }, 3000));
    const auto reported_ms = clock.elapsed();
    EXPECT_LT(reported_ms, 1000) << "the loss took " << reported_ms << " ms to report";
    EXPECT_EQ(live->main().connect_button.caption(), "CONNECT");

    // Afterwards the program does next to nothing.
    const double before = cpu_seconds();
    orv::test::pause(2000);
    const double used = cpu_seconds() - before;
    EXPECT_LT(used / 2.0, 0.02) << "CPU " << 100.0 * used / 2.0 << " %";
    EXPECT_EQ(live->dialogs.messages().size(), 1u);

    // The box is plugged in again under the same name.
    start_box({"--box", "gen1"});
    EXPECT_TRUE(connect());
    EXPECT_EQ(live->main().state.ver, 1);
}

TEST_F(Unplug, DuringProgrammingIsReportedWithinOneAcknowledgementTimeOut) {
    auto& w = live->program->firmware;
    // A file of zeros is enough; the run itself is what matters here.
    live->load_firmware(orv::test::zero_firmware(dir));
    box->ask("fault silent-after-block 0");  // hold the run at its first block
    ASSERT_TRUE(live->start_programming());
    ASSERT_TRUE(live->program->programmer.running());
    QElapsedTimer clock;
    clock.start();
    box->kill();
    ASSERT_TRUE(wait_until([&] { return !live->program->programmer.running(); }, 10000));
    EXPECT_LE(clock.elapsed(), orv::firmware::kBlockAckTimeoutMs + 500);
    ASSERT_FALSE(live->dialogs.messages().empty());
    EXPECT_EQ(live->said().find("successfully"), std::string::npos) << live->said();
    // Without a link BOOT UP waits for the next one, and the message says how to get it: a box
    // in its boot loader does not answer CONNECT until it is switched off and on.
    EXPECT_NE(live->dialogs.messages()[0].find("switch it off and on"), std::string::npos);
    EXPECT_FALSE(w.boot_up.enabled());
    EXPECT_EQ(live->main().connect_button.caption(), "CONNECT");
}

}  // namespace
