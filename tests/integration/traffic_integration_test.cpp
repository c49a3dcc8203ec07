// The traffic log of a real session against the simulated box, saved to a file and read back,
// is byte for byte what the box's own log says it received and sent.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
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
        if (at == std::string::npos) continue;
        const std::string text = line.substr(at + tag.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>') {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 3;
            } else {
                out += text[i];
            }
        }
    }
    return out;
}

TEST(Traffic, AnIdentificationAndAReadSettingsAreLoggedAsTheBoxSawThem) {
    BoxSim box({"--box", "gen2"});
    LiveProgram p("COM3=" + box.pty());
    ASSERT_TRUE(p.connect_and_identify("COM3"));
    p.main().read_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->read_timer->active(); }, 3000));
    // Everything the box says it sent has been read here.
    ASSERT_TRUE(wait_until(
        [&] {
            const std::size_t hex = box.received_hex("pty", "TX").size();
            return hex > 0 && p.program->transport.received() == (hex + 1) / 3;
        },
        2000));

    QTemporaryDir dir;
    const std::string file = dir.filePath("saved.log").toStdString();
    p.dialogs.shown.clear();  // "Orvantis found on COM3"
    p.dialogs.files = {file};
    p.program->traffic_window.save.click();
    EXPECT_TRUE(p.dialogs.messages().empty());
    const std::string sent = bytes_in(file, '>');
    const std::string got = bytes_in(file, '<');
    EXPECT_NE(sent.find("GVn#"), std::string::npos);
    EXPECT_EQ(to_hex(sent), box.received_hex("pty"));
    EXPECT_EQ(to_hex(got), box.received_hex("pty", "TX"));
}

}  // namespace
