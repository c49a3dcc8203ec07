// Sessions with the simulated box as a real process: each identity over a pseudo-terminal mapped
// as a COM port, a search over two ports, and the settings and RF channel written and read back
// over the pseudo-terminal, over TCP straight to the box and through a real ser2net gateway,
// with the traffic log saved and held against what the box's own log says it received and sent.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::Gateway;
using orv::test::LiveProgram;
using orv::test::to_hex;
using orv::test::wait_until;
using Texts = std::vector<std::string>;

TEST(Identification, EachIdentityOverAPseudoTerminalMappedAsACOMPort) {
    struct Case {
        const char* box;
        std::int16_t ver;  // 0: given up
        const char* device_type;
        Texts messages;  // each message holds its text
    };
    for (const Case& c :
         {Case{"gen1", 1, "orvantis", {}}, Case{"gen2", 2, "orvantis", {"Orvantis found on COM3"}},
          Case{"lx200", 2, "lx200", {"Orvantis LX200 emulator found on COM3"}},
          Case{"future", 0, "", {"Future firmware version!", orv::link::kNoOrvantis}}}) {
        BoxSim box({"--box", c.box});
        LiveProgram p("COM3=" + box.pty());
        if (c.ver == 0) {
            p.connect("COM3");
            ASSERT_TRUE(wait_until([&] { return p.dialogs.messages().size() == 2; }, 3000));
            EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
        } else {
            ASSERT_TRUE(p.connect_and_identify("COM3")) << c.box;
            EXPECT_EQ(p.main().state.ver, c.ver) << c.box;
            EXPECT_EQ(p.main().state.device_type, c.device_type) << c.box;
            EXPECT_EQ(p.main().autostar_mode.enabled(), c.ver == 2) << c.box;
        }
        const Texts shown = p.dialogs.messages();
        ASSERT_EQ(shown.size(), c.messages.size()) << c.box;
        for (std::size_t k = 0; k < shown.size(); ++k)
            EXPECT_NE(shown[k].find(c.messages[k]), std::string::npos) << shown[k];
    }
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
    const auto asked = silent.commands();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].second + asked[1].second, "GVn#GVN#");
    ASSERT_FALSE(answering.commands().empty());
    EXPECT_EQ(answering.commands()[0].second, "GVn#");
}

// The bytes of the saved log's lines in one direction ('>' sent, '<' received), "<0D>" read
// back as the byte it stands for.
std::string bytes_in(const std::string& file, char direction) {
    std::ifstream in(file);
    const std::string tag = std::string("  ") + direction + "  ";
    std::string out, line;
    while (std::getline(in, line)) {
        const auto at = line.find(tag);
        if (at == std::string::npos) continue;
        const std::string text = line.substr(at + tag.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool code = text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>';
            out +=
                code ? static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)) : text[i];
            if (code) i += 3;
        }
    }
    return out;
}

std::string hex_only(const std::string& s) {
    std::string out;
    for (char c : s)
        if (std::isxdigit(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(c));
    return out;
}

enum class Link { Pty, Tcp, Ser2net };
struct Case {
    const char* box;
    Link link;
};
class Session : public ::testing::TestWithParam<Case> {};

TEST_P(Session, SettingsAndChannelReadBackAsWrittenAndTheLogIsWhatTheBoxSaw) {
    const Case c = GetParam();
    const bool gen2 = std::string(c.box) == "gen2";
    BoxSim box({"--box", c.box});
    std::unique_ptr<Gateway> gateway;
    if (c.link == Link::Ser2net) gateway = std::make_unique<Gateway>(box.pty());
    LiveProgram p(c.link == Link::Pty ? "COM3=" + box.pty() : "");
    if (c.link == Link::Pty)
        ASSERT_TRUE(p.connect_and_identify("COM3"));
    else
        ASSERT_TRUE(p.connect_tcp_and_identify(gateway ? gateway->port() : box.tcp_port()));
    EXPECT_EQ(p.main().state.ver, gen2 ? 2 : 1);
    auto& m = p.main();
    p.dialogs.shown.clear();

    // Read once so the time boxes are enabled, as a user would.
    m.read_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->read_timer->active(); }, 3000));
    const char* values[6] = {"300", "35", "40000", "0", "65535", "8995"};  // 35, 8995: "#" bytes
    for (int k = 0; k < 6; ++k) m.time_boxes[k].set_text(values[k]);
    m.rev_ra.set_value(1);
    m.rev_dec.set_value(0);
    m.autostar_mode.set_value(gen2 ? 1 : 0);
    m.sequential_guiding.set_value(0);
    m.write_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->settings_write.running(); }, 5000));
    EXPECT_TRUE(p.dialogs.shown.empty()) << p.dialogs.shown.front().text;
    EXPECT_EQ(hex_only(box.ask("dump")).substr(0, gen2 ? 30 : 26),
              std::string("01") + "012c" + "0023" + "9c40" + "0000" + "ffff" + "2323" +
                  (gen2 ? "0100" : ""));

    for (auto& t : m.time_boxes) t.set_text("1");
    m.rev_ra.set_value(0);
    m.read_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->read_timer->active(); }, 3000));
    EXPECT_TRUE(p.dialogs.shown.empty());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m.time_boxes[k].text(), values[k]) << k;
    EXPECT_EQ(m.rev_ra.value(), 1);
    EXPECT_EQ(m.autostar_mode.value(), gen2 ? 1 : 0);

    m.channel_box.set_text("35");
    m.write_channel.click();
    wait_until([&] { return box.log().find("CMD #sCh") != std::string::npos; }, 2000);
    m.channel_box.set_text("0");
    m.read_channel.click();
    EXPECT_TRUE(wait_until([&] { return m.channel_box.text() == "35"; }, 2000))
        << m.channel_box.text();

    // Everything the box says it sent has been read here; then the log is saved.
    const std::string side = c.link == Link::Tcp ? "tcp" : "pty";
    ASSERT_TRUE(wait_until(
        [&] {
            return p.program->transport.received() == (box.received_hex(side, "TX").size() + 1) / 3;
        },
        2000));
    QTemporaryDir dir;
    const std::string file = dir.filePath("saved.log").toStdString();
    p.dialogs.files = {file};
    p.program->traffic_window.save.click();
    EXPECT_TRUE(p.dialogs.messages().empty());
    EXPECT_EQ(to_hex(bytes_in(file, '>')), box.received_hex(side));
    EXPECT_EQ(to_hex(bytes_in(file, '<')), box.received_hex(side, "TX"));
}

std::string name_of(const ::testing::TestParamInfo<Case>& param_info) {
    static const char* const kLinks[] = {"pty", "tcp", "ser2net"};
    return std::string(param_info.param.box) + "_" +
           kLinks[static_cast<int>(param_info.param.link)];
}

INSTANTIATE_TEST_SUITE_P(Links, Session,
                         ::testing::Values(Case{"gen1", Link::Pty}, Case{"gen2", Link::Tcp},
                                           Case{"gen2", Link::Ser2net},
                                           Case{"gen1", Link::Ser2net}),
                         name_of);

}  // namespace
