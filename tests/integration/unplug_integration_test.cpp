// Pulling the box out: its pseudo-terminal disappears while the link is idle and while the box
// is being programmed. The loss is reported quickly, the program goes quiet, and connecting
// again once the box is back works without a restart.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "integration/boxsim_process.h"
#include "firmware/hex_image.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::LiveProgram;
using orv::test::wait_until;

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(Unplug, WhileIdleIsReportedWithinASecondThenQuietAndTheBoxCanComeBack) {
    QTemporaryDir dir;
    const std::string link = dir.filePath("orvantis-box").toStdString();
    auto box = std::make_unique<BoxSim>(QStringList{"--box", "gen2", "--pty-link", QString::fromStdString(link)});
    LiveProgram p("COM5=" + link);  // pinned to a stable name, like a by-id link
    ASSERT_TRUE(p.connect_and_identify("COM5"));
    p.dialogs.shown.clear();

    QElapsedTimer clock;
    clock.start();
    box->kill();
    ASSERT_TRUE(wait_until([&] { return !p.dialogs.messages().empty(); }, 3000));
    const auto reported_ms = clock.elapsed();
    EXPECT_LT(reported_ms, 1000) << "the loss took " << reported_ms << " ms to report";
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");

    // Afterwards the program does next to nothing.
    const double before = cpu_seconds();
    wait_until([] { return false; }, 2000);
    const double used = cpu_seconds() - before;
    EXPECT_LT(used / 2.0, 0.02) << "CPU " << 100.0 * used / 2.0 << " %";
    EXPECT_EQ(p.dialogs.messages().size(), 1u);

    // The box is plugged in again under the same name.
    box = std::make_unique<BoxSim>(QStringList{"--box", "gen1", "--pty-link", QString::fromStdString(link)});
    EXPECT_TRUE(p.connect_and_identify("COM5"));
    EXPECT_EQ(p.program->main.state.ver, 1);
}

TEST(Unplug, DuringProgrammingIsReportedWithinOneAcknowledgementTimeOut) {
    BoxSim box({"--box", "gen2"});
    LiveProgram p("COM3=" + box.pty());
    ASSERT_TRUE(p.connect_and_identify("COM3"));
    auto& w = p.program->firmware;
    // A file of zeros is enough; the run itself is what matters here.
    QTemporaryDir dir;
    p.load_firmware(orv::test::zero_firmware(dir));
    box.ask("fault silent-after-block 0");  // hold the run at its first block
    ASSERT_TRUE(p.start_programming());
    ASSERT_TRUE(p.program->programmer.running());
    QElapsedTimer clock;
    clock.start();
    box.kill();
    ASSERT_TRUE(wait_until([&] { return !p.program->programmer.running(); }, 10000));
    EXPECT_LE(clock.elapsed(), orv::firmware::kBlockAckTimeoutMs + 500);
    ASSERT_FALSE(p.dialogs.messages().empty());
    for (const auto& m : p.dialogs.messages()) EXPECT_EQ(m.find("successfully"), std::string::npos);
    // Without a link BOOT UP waits for the next one, and the message says how to get it: a box
    // in its boot loader does not answer CONNECT until it is switched off and on.
    EXPECT_NE(p.dialogs.messages()[0].find("switch it off and on"), std::string::npos);
    EXPECT_FALSE(w.boot_up.enabled());
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
}

}  // namespace
