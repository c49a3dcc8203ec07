// Connecting to the simulated box as a real process: over its pseudo-terminal as a COM port,
// by searching, over TCP straight and through a real ser2net gateway, and losing the link.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <string>
#include <vector>

#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::Gateway;
using orv::test::LiveProgram;
using orv::test::wait_until;
using Texts = std::vector<std::string>;

TEST(Identification, EachIdentityOverAPseudoTerminalMappedAsACOMPort) {
    struct Case {
        const char* box;
        std::int16_t ver;
        const char* device_type;
        Texts messages;
    };
    for (const Case& c :
         {Case{"gen1", 1, "orvantis", {}}, Case{"gen2", 2, "orvantis", {"Orvantis found on COM3"}},
          Case{"lx200", 2, "lx200", {"Orvantis LX200 emulator found on COM3"}}}) {
        BoxSim box({"--box", c.box});
        LiveProgram p("COM3=" + box.pty());
        ASSERT_TRUE(p.connect_and_identify("COM3")) << c.box;
        EXPECT_EQ(p.program->main.state.ver, c.ver) << c.box;
        EXPECT_EQ(p.program->main.state.device_type, c.device_type) << c.box;
        EXPECT_EQ(p.dialogs.messages(), c.messages) << c.box;
        EXPECT_EQ(p.main().autostar_mode.enabled(), c.ver == 2);
    }
}

TEST(Identification, AFutureBoxIsGivenUp) {
    BoxSim future({"--box", "future"});
    LiveProgram p("COM3=" + future.pty());
    p.connect("COM3");
    ASSERT_TRUE(wait_until([&] { return p.dialogs.messages().size() == 2; }, 3000));
    EXPECT_NE(p.dialogs.messages()[0].find("Future firmware version!"), std::string::npos);
    EXPECT_EQ(p.dialogs.messages()[1], orv::link::kNoOrvantis);
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
}

TEST(Identification, ASearchOverTwoPortsFindsTheSecond) {
    BoxSim silent({"--box", "silent"});
    BoxSim answering({"--box", "gen2"});
    LiveProgram p("COM1=" + silent.pty() + ";COM2=" + answering.pty());
    // The machine's own serial ports may follow as COM3 and up.
    const auto& items = p.main().port_list.items();
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(Texts(items.begin(), items.begin() + 2), (Texts{"COM1", "COM2"}));
    EXPECT_EQ(Texts(items.end() - 2, items.end()), (Texts{"Search COM", "TCP Port"}));
    ASSERT_TRUE(p.connect_and_identify("Search COM", 5000));
    EXPECT_EQ(p.main().port_list.text(), "COM2");
    EXPECT_EQ(p.dialogs.messages(), Texts{"Orvantis found on COM2"});
    const auto first = silent.commands();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].second, "GVn#");
    EXPECT_EQ(first[1].second, "GVN#");
    ASSERT_FALSE(answering.commands().empty());
    EXPECT_EQ(answering.commands()[0].second, "GVn#");
}

TEST(Identification, OverTcpStraightToTheBox) {
    BoxSim box({"--box", "gen2"});
    LiveProgram p("");
    ASSERT_TRUE(p.connect_tcp_and_identify(box.tcp_port()));
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_EQ(p.program->main.state.ver, 2);
}

TEST(Identification, OverTcpThroughSer2net) {
    BoxSim box({"--box", "gen1"});
    Gateway gateway(box.pty());
    ASSERT_TRUE(gateway.available()) << "ser2net is not installed";
    LiveProgram p("");
    ASSERT_TRUE(p.connect_tcp_and_identify(gateway.port()));
    EXPECT_EQ(p.program->main.state.ver, 1);
    EXPECT_EQ(box.commands().at(0).second, "GVn#");
}

}  // namespace
