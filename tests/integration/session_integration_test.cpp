// Sessions with the simulated box as a real process: the settings and RF channel written and
// read back over the pseudo-terminal, over TCP straight to the box and through a real ser2net
// gateway, with the traffic log saved and held against what the box's own log says it received
// and sent.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::Gateway;
using orv::test::LiveProgram;
using orv::test::to_hex;
using orv::test::wait_until;

// The bytes of the saved log's lines in one direction ('>' sent, '<' received), "<0D>" read
// back as the byte it stands for.
std::string bytes_in(const std::string& file, char direction) {
    std::ifstream in(file);
    const std::string tag = std::string("  ") + direction + "  ";
    std::string out, line;
    while (std::getline(in, line)) {
        const auto at = line.find(tag);
        for (auto i = at + tag.size(); at != std::string::npos && i < line.size(); ++i) {
            const bool code = line[i] == '<' && i + 3 < line.size() && line[i + 3] == '>';
            out +=
                code ? static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)) : line[i];
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
    const char* name;
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
    ASSERT_TRUE(c.link == Link::Pty
                    ? p.connect_and_identify("COM3")
                    : p.connect_tcp_and_identify(gateway ? gateway->port() : box.tcp_port()));
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
    wait_until([&] { return box.logged("CMD #sCh") > 0; }, 2000);
    m.channel_box.set_text("0");
    m.read_channel.click();
    // WRITE's acknowledgement "#" reads as channel 35 too, so the box's log is what tells that
    // the read was answered; then everything the box sent must have been read here.
    const std::string side = c.link == Link::Tcp ? "tcp" : "pty";
    ASSERT_TRUE(wait_until([&] {
        const std::string log = box.log();
        const auto read_at = log.find("CMD #gCh");
        return read_at != std::string::npos &&
               log.find(" " + side + " TX ", read_at) != std::string::npos &&
               p.program->transport.received() == (box.received_hex(side, "TX").size() + 1) / 3;
    }));
    EXPECT_EQ(m.channel_box.text(), "35");
    QTemporaryDir dir;
    const std::string file = dir.filePath("saved.log").toStdString();
    p.dialogs.files = {file};
    p.program->traffic_window.save.click();
    EXPECT_TRUE(p.dialogs.messages().empty());
    // The box writes its log a moment after it answers: let it catch up.
    wait_until([&] { return to_hex(bytes_in(file, '<')) == box.received_hex(side, "TX"); }, 2000);
    EXPECT_EQ(to_hex(bytes_in(file, '>')), box.received_hex(side));
    EXPECT_EQ(to_hex(bytes_in(file, '<')), box.received_hex(side, "TX"));
}

INSTANTIATE_TEST_SUITE_P(Links, Session,
                         ::testing::Values(Case{"gen1_pty", "gen1", Link::Pty},
                                           Case{"gen2_tcp", "gen2", Link::Tcp},
                                           Case{"gen2_ser2net", "gen2", Link::Ser2net},
                                           Case{"gen1_ser2net", "gen1", Link::Ser2net}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
