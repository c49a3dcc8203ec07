// The traffic log: what it records of a link, how bytes are written, the Traffic window's pause,
// filter, copy and save, and the session files' size limit and rotation.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;
using orv::link::Flow;
using orv::link::TrafficLog;
namespace fs = std::filesystem;

// "<kind> <transport> <text>" of each entry, without the times.
Texts what(const TrafficLog& log) {
    Texts out;
    for (const auto& e : log.entries())  // Kind is Sent, Received, Event
        out.push_back("><-"[static_cast<int>(e.kind)] + (" " + e.transport) + " " + e.text);
    return out;
}

// What a file holds.
std::string contents(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A folder of the test's own, gone when the test ends.
struct Folder {
    const fs::path dir;
    explicit Folder(const std::string& name)
        : dir(fs::temp_directory_path() / (name + std::to_string(::getpid()))) {
        fs::remove_all(dir);
    }
    ~Folder() { fs::remove_all(dir); }
};

TEST(TrafficLog, AnIdentificationIsRecordedWithItsTimesSinceTheLinkOpened) {
    Rig r;
    r.ports.ports = {{3, "/dev/pts/3"}};
    r.stored("Orvantis", "CommBaud", "9600");
    r.program.start();
    Texts lines;
    r.program.traffic.write_line = [&](const std::string& l) { lines.push_back(l); };
    r.clock.advance(5000);  // the time before the link opened does not count
    r.main.port_list.set_text("COM3");
    r.main.connect_button.click();
    r.clock.advance(1000);
    r.serial.arrive("1.2");
    r.clock.advance(7);
    r.serial.arrive("0#");
    r.main.connect_button.click();
    const auto& e = r.program.traffic.entries();
    EXPECT_EQ((std::vector<std::int64_t>{e[0].ms, e[2].ms, e[4].ms}),
              (std::vector<std::int64_t>{0, 1000, 1007}));
    ASSERT_EQ(lines.size(), 6u);  // each line goes to the file as it comes
    EXPECT_EQ(lines[4].substr(0, 12), "    +1007 ms");
    EXPECT_PRED2(holds, lines[4], "  serial  <  0#");

    r.settings.ip_address.set_text("127.0.0.1");
    r.settings.ip_port.set_text("4001");
    r.main.port_list.set_text("TCP Port");
    r.main.connect_button.click();
    r.main.connect_button.click();  // starts the connect again: nothing was open to close
    r.socket.accept();
    r.socket.fail("the connection was closed by the other side");
    EXPECT_EQ(what(r.program.traffic),
              (Texts{"- serial opened COM3 (/dev/pts/3) at 9600,N,8,1", "> serial GVn#",
                     "> serial GVN#", "< serial 1.2", "< serial 0#", "- serial closed",
                     "- TCP opened TCP 127.0.0.1:4001", "> TCP GVn#", "- TCP closed"}));
}

TEST(TrafficLog, BytesAreTextWithNonPrintingInHexAndLongWritesAreOneSummary) {
    EXPECT_EQ(orv::link::shown_bytes(std::string("#:Q# ~\x06\r\n<\0\x7f\xff", 13)),
              "#:Q# ~<06><0D><0A><3C><00><7F><FF>");
    Clock clock;
    TrafficLog log(clock, [] { return std::string("04:55:01.123"); });
    log.add(Flow::Opened, "COM3");
    log.add(Flow::Sent, std::string(128, '\x10'));
    EXPECT_EQ(log.entries().back().text, "128 bytes: 10 10 10 10 10 10 10 10 ... sum 0800");
    log.add(Flow::Sent, std::string(64, 'A'));  // up to 64 bytes: all of them
    EXPECT_EQ(log.entries().back().text, std::string(64, 'A'));
    EXPECT_EQ(orv::link::traffic_line(log.entries().back()).substr(0, 36),
              "       +0 ms  04:55:01.123  serial  ");
    for (std::size_t i = 0; i < TrafficLog::kKeepEntries + 10; ++i) log.add(Flow::Received, "x");
    EXPECT_EQ(log.entries().size(), TrafficLog::kKeepEntries);
}

TEST(TrafficWindow, PauseHoldsTheLinesTheFilterChoosesADirectionAndCopyAndSaveTakeWhatItShows) {
    Rig r;
    TrafficLog& log = r.program.traffic;
    orv::link::TrafficWindow& w = r.program.traffic_window;
    // The texts of the lines shown, one blank between them.
    const auto shown = [&w] {
        Texts out;
        for (const auto& l : w.lines.items()) out.push_back(l.substr(l.rfind("  ") + 2));
        return orv::fake::joined(out);
    };
    log.add(Flow::Opened, "COM3");
    log.add(Flow::Sent, "GVn#");
    log.add(Flow::Received, "1.20#");
    r.main.traffic_button.click();
    EXPECT_TRUE(w.visible());
    // What each control shows and what assistive technology reads of it.
    EXPECT_EQ(
        orv::fake::joined({w.lines.accessible_name(), w.pause.caption(), w.pause.accessible_name(),
                           w.direction_label.caption(), w.direction_label.accessible_name(),
                           w.direction.accessible_name(), w.direction.text(), w.copy.caption(),
                           w.copy.accessible_name(), w.save.caption(), w.save.accessible_name(),
                           w.close_button.caption(), w.close_button.accessible_name()}),
        "Traffic Pause Pause Show Show Show Both Copy Copy Save... Save... Close Close");
    EXPECT_TRUE(w.direction.choice_only());  // a filter is chosen, not typed
    EXPECT_EQ(shown(), "opened COM3 GVn# 1.20#");
    w.pause.set_value(1);
    log.add(Flow::Sent, ":Q#");
    EXPECT_EQ(shown(), "opened COM3 GVn# 1.20#");  // still recorded, not shown
    w.pause.set_value(0);
    EXPECT_EQ(shown(), "opened COM3 GVn# 1.20# :Q#");
    w.direction.set_text("Received");
    EXPECT_EQ(shown(), "opened COM3 1.20#");
    log.add(Flow::Sent, "#Q#");
    log.add(Flow::Received, "A");
    EXPECT_EQ(shown(), "opened COM3 1.20# A");
    w.direction.set_text("Sent");
    EXPECT_EQ(shown(), "opened COM3 GVn# :Q# #Q#");

    std::string copied;
    w.copied.connect([&](const std::string& t) { copied = t; });
    w.copy.click();
    EXPECT_EQ(copied, w.text());
    EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 4);

    const Folder folder("orv-traffic-");
    fs::create_directories(folder.dir);
    const std::string file = (folder.dir / "saved.log").string();
    r.dialogs.files = {file, "/dev/full", std::nullopt};  // the last: no room left, cancelled
    w.save.click();
    const std::string all = contents(file);
    EXPECT_PRED2(holds, all, "opened COM3\n");
    EXPECT_PRED2(holds, all, ">  GVn#\n");
    EXPECT_FALSE(holds(all, "1.20#"));
    w.save.click();  // one message only: the first save said nothing
    EXPECT_EQ(r.said(),
              Texts{"The traffic log could not be saved to /dev/full. Choose another folder."});
    w.save.click();  // cancelled: nothing written, nothing said
    EXPECT_TRUE(r.dialogs.messages().empty());

    w.close_button.click();
    EXPECT_FALSE(w.visible());
    // A long session: the window keeps only about the latest lines the log keeps.
    w.direction.set_text("Both");
    w.show();
    // The oldest hundred go once the window holds a hundred lines more than the log keeps.
    for (int i = 0; i < 6000 && w.lines.items().size() < TrafficLog::kKeepEntries + 100; ++i)
        log.add(Flow::Received, "x");
    EXPECT_EQ(w.lines.items().size(), TrafficLog::kKeepEntries + 100);
    log.add(Flow::Received, "5999");
    EXPECT_EQ(w.lines.items().size(), TrafficLog::kKeepEntries + 1);
    EXPECT_EQ(w.lines.items().back().substr(w.lines.items().back().size() - 4), "5999");
}

TEST(TrafficFiles, EachSessionIsOneFileCutAtItsLimitAndTheOldestGo) {
    using orv::link::TrafficFiles;
    const Folder folder("orv-files-");
    const std::string dir = folder.dir.string();
    fs::create_directories(dir);
    std::ofstream(folder.dir / "keep.log") << "not a session's";
    for (int i = 0; i < TrafficFiles::kKeepFiles + 2; ++i)
        TrafficFiles(dir, "2026120" + std::to_string(i)).write("session " + std::to_string(i));
    Texts names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), static_cast<std::size_t>(TrafficFiles::kKeepFiles) + 1);
    EXPECT_EQ((Texts{names[0], names[1], names.back()}),
              (Texts{"keep.log", "traffic-20261202.log", "traffic-20261206.log"}));

    // Lines of 1 KiB with their line ends fill exactly 1 MiB; one byte more is cut.
    TrafficFiles big(dir, "20261207");
    big.write(std::string(1023, 'x'));
    EXPECT_EQ(fs::file_size(big.path()), 1024u);  // in the file at once
    for (int i = 1; i < 1024; ++i) big.write(std::string(1023, 'x'));
    big.write("");
    big.write("after the cut");  // nothing more, not even the cut's line again
    const std::string cut = "(the rest of this session is not kept: the file reached 1 MiB)";
    const std::string all = contents(big.path());
    EXPECT_EQ(all.size(), TrafficFiles::kMaxFileBytes + cut.size() + 1);
    EXPECT_EQ(all.substr(TrafficFiles::kMaxFileBytes), cut + "\n");

    TrafficFiles none("", "x");  // no folder: nothing kept, nothing fails
    none.write("y");
    EXPECT_EQ(none.path(), "");
}

}  // namespace
