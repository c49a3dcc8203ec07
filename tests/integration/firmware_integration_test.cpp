// Firmware files made by real tools load to the bytes those tools say they hold, and a whole
// programming run against the simulated box leaves the box's memory equal to the image.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "firmware/hex_image.h"
#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "integration/live_program.h"
#include "shell/program.h"

namespace {

using orv::firmware::build_image;
using orv::firmware::kImageSize;
using orv::test::BoxSim;
using orv::test::Gateway;
using orv::test::LiveProgram;
using orv::test::wait_until;

std::string read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string{};
}

void write_all(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::string random_bytes(std::size_t n, quint32 seed) {
    QRandomGenerator rng(seed);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(rng.bounded(256));
    return out;
}

// The file's text with CR LF line ends, or with lower-case digits.
std::string with_crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
    }
    return out;
}
std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(RealHexFiles, LoadToTheBytesObjcopysBinaryOutputGives) {
    QTemporaryDir dir;
    const QString bin = dir.filePath("firmware.bin");
    struct Tool {
        const char* name;
        QString program;
        QStringList args;
    };
    for (std::size_t size : {std::size_t{1}, std::size_t{5000}, std::size_t{kImageSize}}) {
        const std::string data = random_bytes(size, static_cast<quint32>(size));
        write_all(bin, data);
        const QString hex = dir.filePath("firmware.hex");
        for (const Tool& tool :
             {Tool{"srec_cat 16", "srec_cat", {bin, "-binary", "-o", hex, "-intel", "-obs=16"}},
              Tool{"srec_cat 32", "srec_cat", {bin, "-binary", "-o", hex, "-intel", "-obs=32"}},
              Tool{"objcopy", "objcopy", {"-I", "binary", "-O", "ihex", bin, hex}}}) {
            ASSERT_TRUE(run(tool.program, tool.args)) << tool.name << " is not installed or failed";
            const std::string text = read_all(hex);
            // What the tool itself says the file holds.
            const QString back = dir.filePath("back.bin");
            ASSERT_TRUE(run("objcopy", {"-I", "ihex", "-O", "binary", hex, back}));
            std::string expected = read_all(back);
            expected.resize(kImageSize, '\0');
            for (const std::string& variant : {text, with_crlf(text), lower(text), lower(with_crlf(text))}) {
                const auto r = build_image(variant);
                ASSERT_TRUE(r.ok()) << tool.name << " " << size << ": " << r.problem;
                EXPECT_TRUE(std::equal(r.image.begin(), r.image.end(), expected.begin(),
                                       [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
                    << tool.name << " " << size;
            }
        }
    }
}

TEST(RealHexFiles, DataBeyondTheProgramMemoryIsRefused) {
    QTemporaryDir dir;
    const QString bin = dir.filePath("big.bin");
    write_all(bin, random_bytes(kImageSize + 1000, 7));
    const QString hex = dir.filePath("big.hex");
    ASSERT_TRUE(run("srec_cat", {bin, "-binary", "-o", hex, "-intel", "-obs=32"}));
    // 32-byte records: none of them is the 16-byte record at 0x7000 that ends an image.
    const auto r = build_image(read_all(hex));
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.problem.find("outside the program memory"), std::string::npos) << r.problem;

    ASSERT_TRUE(run("srec_cat", {bin, "-binary", "-o", hex, "-intel", "-obs=16"}));
    EXPECT_TRUE(build_image(read_all(hex)).ok());  // ends at the ":107000" record
}

// Programs the box through the window and returns the box's memory afterwards.
struct Flash {
    QTemporaryDir dir;
    std::string image;

    void prepare() {
        const std::string data = random_bytes(20000, 42);
        write_all(dir.filePath("fw.bin"), data);
        ASSERT_TRUE(run("srec_cat", {dir.filePath("fw.bin"), "-binary", "-o", dir.filePath("fw.hex"),
                                     "-intel", "-obs=16"}));
        image = data;
        image.resize(kImageSize, '\0');
    }
    void load(LiveProgram& p) { p.load_firmware(dir.filePath("fw.hex")); }
    void start(LiveProgram& p) { ASSERT_TRUE(p.start_programming()); }
    void program(LiveProgram& p) {
        load(p);
        start(p);
        ASSERT_TRUE(wait_until([&] { return !p.program->programmer.running(); }, 60000));
    }
    bool memory_is_image(BoxSim& box) {
        const QString dump = dir.filePath("memory.bin");
        return box.ask("memdump " + dump.toStdString()) == "OK" && read_all(dump) == image;
    }
};

TEST(Programming, OverThePseudoTerminalVerifiesAndLeavesTheImageInTheBox) {
    Flash flash;
    flash.prepare();
    BoxSim box({"--box", "gen2"});
    LiveProgram p("COM3=" + box.pty());
    ASSERT_TRUE(p.connect_and_identify("COM3"));
    flash.program(p);
    EXPECT_EQ(p.dialogs.messages(), std::vector<std::string>{orv::firmware::kCompleted});
    EXPECT_EQ(p.program->firmware.status_line.caption(), "Done!");
    EXPECT_EQ(p.main().connect_button.caption(), "CONNECT");
    EXPECT_TRUE(flash.memory_is_image(box));
    EXPECT_NE(box.log().find("CMD A\n"), std::string::npos);
}

TEST(Programming, ThroughSer2netClosesTheBootLoaderAndLeavesTheImageInTheBox) {
    Flash flash;
    flash.prepare();
    BoxSim box({"--box", "gen2"});
    Gateway gateway(box.pty());
    ASSERT_TRUE(gateway.available());
    LiveProgram p("");
    ASSERT_TRUE(p.connect_tcp_and_identify(gateway.port()));
    flash.program(p);
    EXPECT_EQ(p.dialogs.messages(), std::vector<std::string>{orv::firmware::kCompleted});
    const QString dump = flash.dir.filePath("memory.bin");
    EXPECT_TRUE(wait_until([&] { return box.log().find("CMD AAAA") != std::string::npos; }, 2000));
    EXPECT_EQ(box.ask("memdump " + dump.toStdString()), "OK");
    EXPECT_TRUE(read_all(dump) == flash.image);
    EXPECT_EQ(box.log().find("CMD A\n"), std::string::npos);
}

TEST(Programming, ACorruptReadBackNamesTheAddressesAndNeverEndsInSuccess) {
    Flash flash;
    flash.prepare();
    BoxSim box({"--box", "gen2", "--corrupt-readback", "5,9"});
    LiveProgram p("COM3=" + box.pty());
    ASSERT_TRUE(p.connect_and_identify("COM3"));
    flash.program(p);
    const auto m = p.dialogs.messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], "Verify Error - Address: 5");
    EXPECT_EQ(m[1], "Verify Error - Address: 9");
    EXPECT_NE(m[2].find("did not succeed"), std::string::npos);

    // What the message says to do works: the link is still open to the boot loader, and BOOT
    // UP, then PROGRAM, programs the box (its read-back mended meanwhile).
    EXPECT_NE(m[2].find("press BOOT UP, then PROGRAM"), std::string::npos) << m[2];
    EXPECT_EQ(p.main().connect_button.caption(), "DISCONNECT");
    ASSERT_EQ(box.ask("fault clear"), "OK");
    flash.start(p);
    ASSERT_TRUE(wait_until([&] { return !p.program->programmer.running(); }, 60000));
    EXPECT_EQ(p.dialogs.messages(), std::vector<std::string>{orv::firmware::kCompleted});
    EXPECT_TRUE(flash.memory_is_image(box));
}

// SIGTERM in the middle of a run leaves the box in its boot loader; done as the note says
// ("switch it off and on, connect, open Firmware Upload, then BOOT UP and PROGRAM"), the box is
// programmed.
TEST(Programming, AfterARunEndedMidWayTheNotesStepsProgramTheBox) {
    Flash flash;
    flash.prepare();
    {
        BoxSim box({"--box", "gen2"});
        LiveProgram p("COM3=" + box.pty());
        ASSERT_TRUE(p.connect_and_identify("COM3"));
        flash.load(p);
        ASSERT_EQ(box.ask("fault silent-after-block 20"), "OK");  // hold the run there
        flash.start(p);
        ASSERT_TRUE(wait_until(
            [&] { return box.ask("state").find("blocks=21") != std::string::npos; }, 5000))
            << box.ask("state");
        EXPECT_EQ(p.program->terminate(), orv::kLeftInBootLoader);
    }
    // "switch it off and on, connect, open Firmware Upload, then BOOT UP and PROGRAM"
    BoxSim box({"--box", "gen2"});
    LiveProgram p("COM3=" + box.pty());
    ASSERT_TRUE(p.connect_and_identify("COM3"));
    flash.program(p);
    EXPECT_EQ(p.dialogs.messages(), std::vector<std::string>{orv::firmware::kCompleted});
    EXPECT_TRUE(flash.memory_is_image(box));
}

}  // namespace
