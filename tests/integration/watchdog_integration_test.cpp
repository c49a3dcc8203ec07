// A network gateway that vanishes (its power or its network gone, so that nothing answers, not
// even TCP) is noticed within seconds although nothing is being sent. CTest runs these in a
// network namespace of their own, where dropping every packet of the gateway's port is what
// its power going off looks like from here; elsewhere they skip.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

#include "integration/live_program.h"

namespace {

using orv::test::wait_until;

// Drops the gateway's packets both ways, as if its power went off.
bool pull_the_plug(std::uint16_t port) {
    const QString p = QString::number(port);
    for (const QStringList& rule :
         {QStringList{"-A", "INPUT", "-p", "tcp", "--dport", p, "-j", "DROP"},
          QStringList{"-A", "INPUT", "-p", "tcp", "--sport", p, "-j", "DROP"}})
        if (QProcess::execute("iptables", rule) != 0) return false;
    return true;
}

TEST(Watchdog, AGatewayThatVanishesDuringAFocusRunIsReportedWithinTenSeconds) {
    if (qEnvironmentVariable("ORV_OWN_NETWORK") != "1")
        GTEST_SKIP() << "needs a network namespace of its own (tests/integration/own_network.sh)";
    orv::test::BoxOnLink on;
    ASSERT_TRUE(on.start_connected({"--box", "gen1"}, true));
    auto& p = *on.live;
    auto& box = *on.box;
    const std::uint16_t port = on.gateway->port();
    p.main().setpoint_box[0].set_text("9000");
    p.main().goto_setpoint[0].click();
    ASSERT_TRUE(wait_until([&] { return box.logged("#F+#") > 0; }, 2000));

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(pull_the_plug(port));
    ASSERT_TRUE(wait_until([&] { return !p.dialogs.messages().empty(); }, 20000));
    const auto reported_ms = clock.elapsed();
    std::printf("a silent gateway reported after %lld ms: %s\n",
                static_cast<long long>(reported_ms), p.dialogs.messages().at(0).c_str());
    EXPECT_LT(reported_ms, 10000);
    const auto shown = p.dialogs.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("The connection to 127.0.0.1:" + std::to_string(port) + " was lost"),
              std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("The link was lost while the focuser was running: it may still be "
                            "running. Check the telescope."),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
    EXPECT_FALSE(p.program->focus_timer->active());
    // The probes were TCP's own: the box received nothing after the run began.
    const std::string log = box.log();
    EXPECT_EQ(log.substr(log.find("#F+#")).find('#', 4), std::string::npos) << log;
}

}  // namespace
