// Connecting to the simulated box as a real process: over its pseudo-terminal as a COM port,
// by searching, over TCP straight and through a real ser2net gateway, and losing the link.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <string>
#include <vector>

#include "integration/boxsim_process.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::LiveProgram;
using orv::test::wait_until;
using Texts = std::vector<std::string>;

bool identified(LiveProgram& p) {
    return p.main().Command8.caption() == "DISCONNECT" && p.main().Command13.enabled() &&
           !p.program->Timer2->active();
}

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
        p.main().Combo1.set_text("COM3");
        p.main().Command8.click();
        ASSERT_TRUE(wait_until([&] { return identified(p); }, 3000)) << c.box;
        EXPECT_EQ(p.program->main.state.ver, c.ver) << c.box;
        EXPECT_EQ(p.program->main.state.device_type, c.device_type) << c.box;
        EXPECT_EQ(p.dialogs.messages(), c.messages) << c.box;
        EXPECT_EQ(p.main().Check2.enabled(), c.ver == 2);
    }
}

TEST(Identification, AFutureOrSilentBoxIsGivenUp) {
    BoxSim future({"--box", "future"});
    LiveProgram p("COM3=" + future.pty());
    p.main().Combo1.set_text("COM3");
    p.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return p.dialogs.messages().size() == 2; }, 3000));
    EXPECT_NE(p.dialogs.messages()[0].find("Future firmware version!"), std::string::npos);
    EXPECT_EQ(p.dialogs.messages()[1], orv::link::kNoOrvantis);
    EXPECT_EQ(p.main().Command8.caption(), "CONNECT");

    BoxSim silent({"--box", "silent"});
    LiveProgram q("COM4=" + silent.pty());
    q.main().Combo1.set_text("COM4");
    q.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return !q.dialogs.messages().empty(); }, 4000));
    EXPECT_EQ(q.dialogs.messages(), Texts{orv::link::kNoOrvantis});
    const auto cmds = silent.commands();
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].second, "GVn#");
    EXPECT_EQ(cmds[1].second, "GVN#");
    EXPECT_NEAR(cmds[1].first - cmds[0].first, 1000.0, 100.0);
}

TEST(Identification, ASearchOverTwoPortsFindsTheSecond) {
    BoxSim silent({"--box", "silent"});
    BoxSim answering({"--box", "gen2"});
    LiveProgram p("COM1=" + silent.pty() + ";COM2=" + answering.pty());
    // The machine's own serial ports may follow as COM3 and up.
    const auto& items = p.main().Combo1.items();
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(Texts(items.begin(), items.begin() + 2), (Texts{"COM1", "COM2"}));
    EXPECT_EQ(Texts(items.end() - 2, items.end()), (Texts{"Search COM", "TCP Port"}));
    p.main().Combo1.set_text("Search COM");
    p.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return identified(p); }, 5000));
    EXPECT_EQ(p.main().Combo1.text(), "COM2");
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
    p.program->settings.IPaddr.set_text("127.0.0.1");
    p.program->settings.IPport.set_text(std::to_string(box.tcp_port()));
    p.main().Combo1.set_text("TCP Port");
    p.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return identified(p); }, 3000));
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_EQ(p.program->main.state.ver, 2);
}

// ser2net in front of the box's pseudo-terminal, on a loopback port of the test's own.
class Gateway {
public:
    Gateway(const std::string& device) {
        QTcpServer probe;  // find a free port
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        const std::string yaml = "connection: &box\n"
                                 "  accepter: tcp(nodelay),127.0.0.1," + std::to_string(port_) + "\n"
                                 "  connector: serialdev," + device + ",9600n81,local\n"
                                 "  options:\n"
                                 "    kickolduser: true\n";
        QFile f(dir_.filePath("ser2net.yaml"));
        f.open(QIODevice::WriteOnly);
        f.write(yaml.c_str());
        f.close();
        process_.start(QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/bin"}),
                       {"-n", "-u", "-c", f.fileName(), "-P", dir_.filePath("pid")});
        process_.waitForStarted(3000);
        QTcpSocket s;  // wait until it listens
        wait_until([&] {
            s.abort();
            s.connectToHost("127.0.0.1", port_);
            return s.waitForConnected(100);
        }, 5000);
        s.abort();
    }
    ~Gateway() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    bool available() const { return process_.state() == QProcess::Running; }
    std::uint16_t port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

TEST(Identification, OverTcpThroughSer2net) {
    BoxSim box({"--box", "gen1"});
    Gateway gateway(box.pty());
    ASSERT_TRUE(gateway.available()) << "ser2net is not installed";
    LiveProgram p("");
    p.program->settings.IPaddr.set_text("127.0.0.1");
    p.program->settings.IPport.set_text(std::to_string(gateway.port()));
    p.main().Combo1.set_text("TCP Port");
    p.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return identified(p); }, 3000));
    EXPECT_EQ(p.program->main.state.ver, 1);
    EXPECT_EQ(box.commands().at(0).second, "GVn#");
}

TEST(Identification, UnpluggingTheBoxIsReportedOnce) {
    BoxSim box({"--box", "gen2"});
    LiveProgram p("COM5=" + box.pty());
    p.main().Combo1.set_text("COM5");
    p.main().Command8.click();
    ASSERT_TRUE(wait_until([&] { return identified(p); }, 3000));
    p.dialogs.shown.clear();
    box.kill();
    ASSERT_TRUE(wait_until([&] { return !p.dialogs.messages().empty(); }, 2000));
    EXPECT_NE(p.dialogs.messages()[0].find("COM5 was lost"), std::string::npos);
    EXPECT_EQ(p.main().Command8.caption(), "CONNECT");
    EXPECT_FALSE(p.main().Command13.enabled());
    EXPECT_FALSE(p.serial.is_open());
    // No endless loop of errors afterwards.
    wait_until([] { return false; }, 500);
    EXPECT_EQ(p.dialogs.messages().size(), 1u);
}

}  // namespace
