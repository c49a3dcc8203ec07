// Losing the box: its pseudo-terminal disappears while the link is idle and while the box is
// being programmed, and a network gateway vanishes during a focus run. The loss is reported
// quickly, the program goes quiet, and connecting again once the box is back works without a
// restart.

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>

#include "integration/live_program.h"

namespace {

using orv::test::wait_until;

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
    const std::clock_t before = std::clock();  // the processor time of all its threads
    orv::test::pause(2000);
    const double used = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_LT(used / 2.0, 0.02) << "CPU " << 100.0 * used / 2.0 << " %";
    EXPECT_EQ(live->dialogs.messages().size(), 1u);

    // The box is plugged in again under the same name.
    start_box({"--box", "gen1"});
    EXPECT_TRUE(connect());
    EXPECT_EQ(live->main().state.ver, 1);
}

TEST_F(Unplug, DuringProgrammingIsReportedWithinOneAcknowledgementTimeOut) {
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
    EXPECT_FALSE(live->program->firmware.boot_up.enabled());
    EXPECT_EQ(live->main().connect_button.caption(), "CONNECT");
}

// A gateway whose power or network is gone answers nothing, not even TCP, and is noticed within
// seconds although nothing is being sent. CTest runs this in a network namespace of its own,
// where dropping every packet of the gateway's port both ways is what its power going off looks
// like from here; elsewhere it skips.
TEST(Watchdog, AGatewayThatVanishesDuringAFocusRunIsReportedWithinTenSeconds) {
    if (qEnvironmentVariable("ORV_OWN_NETWORK") != "1")
        GTEST_SKIP() << "needs a network namespace of its own (tests/integration/own_network.sh)";
    orv::test::BoxOnLink on;
    ASSERT_TRUE(on.start_connected({"--box", "gen1"}, true));
    auto& p = *on.live;
    const QString port = QString::number(on.gateway->port());
    p.main().setpoint_box[0].set_text("9000");
    p.main().goto_setpoint[0].click();
    ASSERT_TRUE(wait_until([&] { return on.box->logged("#F+#") > 0; }, 2000));

    QElapsedTimer clock;
    clock.start();
    for (const char* end : {"--dport", "--sport"})
        ASSERT_EQ(
            QProcess::execute("iptables", {"-A", "INPUT", "-p", "tcp", end, port, "-j", "DROP"}),
            0);
    ASSERT_TRUE(wait_until([&] { return !p.dialogs.messages().empty(); }, 20000));
    const auto reported_ms = clock.elapsed();
    std::printf("a silent gateway reported after %lld ms: %s\n",
                static_cast<long long>(reported_ms), p.said().c_str());
    EXPECT_LT(reported_ms, 10000);
    const auto shown = p.dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("The connection to 127.0.0.1:" + port.toStdString() + " was lost"),
              std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("The link was lost while the focuser was running: it may still be "
                            "running. Check the telescope."),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
    EXPECT_FALSE(p.program->focus_timer->active());
    // The probes were TCP's own: the box received nothing after the run began.
    const std::string log = on.box->log();
    EXPECT_EQ(log.substr(log.find("#F+#")).find('#', 4), std::string::npos) << log;
}

}  // namespace
