// Firmware files made by real tools load to the bytes those tools say they hold, and a whole
// programming run against the simulated box leaves the box's memory equal to the image.

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "firmware/hex_image.h"
#include "integration/live_program.h"

namespace {

using orv::firmware::kImageSize;
using orv::test::read_file;
using orv::test::wait_until;

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Writes `n` random bytes to `path` and returns them.
std::string random_file(const QString& path, std::size_t n, quint32 seed) {
    QRandomGenerator rng(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(rng.bounded(256));
    orv::test::write_file(path, QByteArray::fromStdString(bytes));
    return bytes;
}

// Each file loads to what objcopy reads back from it, cut at the end of the program memory;
// data beyond it is refused unless it follows the 16-byte record at 0x7000 that ends an image.
TEST(RealHexFiles, LoadToTheBytesObjcopyReadsBackAndDataBeyondTheMemoryIsRefused) {
    QTemporaryDir dir;
    const QString bin = dir.filePath("fw.bin"), hex = dir.filePath("fw.hex");
    const QString back = dir.filePath("back.bin");
    const std::pair<int, QStringList> tools[] = {
        {16, {"srec_cat", bin, "-binary", "-o", hex, "-intel", "-obs=16"}},
        {32, {"srec_cat", bin, "-binary", "-o", hex, "-intel", "-obs=32"}},
        {16, {"objcopy", "-I", "binary", "-O", "ihex", bin, hex}}};
    for (std::size_t size : {std::size_t{1}, std::size_t{5000}, kImageSize, kImageSize + 1000}) {
        random_file(bin, size, static_cast<quint32>(size));
        for (const auto& [record, command] : tools) {
            const std::string tool = command.join(' ').toStdString();
            ASSERT_TRUE(run(command[0], command.mid(1))) << tool << " is not installed or failed";
            const auto r = orv::firmware::build_image(read_file(hex));
            if (size > kImageSize && record == 32) {
                EXPECT_TRUE(!r.ok() &&
                            r.problem.find("outside the program memory") != std::string::npos)
                    << tool << ": " << r.problem;
                continue;
            }
            ASSERT_TRUE(run("objcopy", {"-I", "ihex", "-O", "binary", hex, back}));
            std::string expected = read_file(back);
            expected.resize(kImageSize, '\0');
            ASSERT_TRUE(r.ok()) << tool << " " << size << ": " << r.problem;
            EXPECT_TRUE(std::string(r.image.begin(), r.image.end()) == expected) << tool << size;
        }
    }
}

struct Case {
    const char* name;
    bool gateway;
    const char* corrupt_readback;  // addresses the box reads back wrong in its first run
};

// Programs the box through the window, from a file srec_cat made.
class Programming : public ::testing::TestWithParam<Case>, protected orv::test::BoxOnLink {
protected:
    void program() {
        ASSERT_TRUE(live->start_programming());
        ASSERT_TRUE(wait_until([&] { return !live->program->programmer.running(); }, 60000));
    }
    bool memory_is(const std::string& image) {
        const QString dump = dir.filePath("memory.bin");
        return box->ask("memdump " + dump.toStdString()) == "OK" && read_file(dump) == image;
    }
};

TEST_P(Programming, LeavesTheImageInTheBoxAndOnlyThenSaysSo) {
    const Case c = GetParam();
    std::string image = random_file(dir.filePath("fw.bin"), 20000, 42);
    image.resize(kImageSize, '\0');
    ASSERT_TRUE(run("srec_cat", {dir.filePath("fw.bin"), "-binary", "-o", dir.filePath("fw.hex"),
                                 "-intel", "-obs=16"}));
    QStringList options{"--box", "gen2"};
    if (c.corrupt_readback) options << "--corrupt-readback" << c.corrupt_readback;
    ASSERT_TRUE(start_connected(options, c.gateway));
    live->load_firmware(dir.filePath("fw.hex"));
    program();
    if (c.corrupt_readback) {
        const auto m = live->dialogs.messages();
        ASSERT_EQ(m.size(), 3u) << live->said();
        EXPECT_EQ(m[0] + "; " + m[1], "Verify Error - Address: 5; Verify Error - Address: 9");
        // What the message says to do works: the link is still open to the boot loader, and
        // BOOT UP, then PROGRAM, programs the box (its read-back mended meanwhile).
        EXPECT_TRUE(m[2].find("did not succeed") != std::string::npos &&
                    m[2].find("press BOOT UP, then PROGRAM") != std::string::npos)
            << m[2];
        EXPECT_EQ(live->main().connect_button.caption(), "DISCONNECT");
        ASSERT_EQ(box->ask("fault clear"), "OK");
        program();
    }
    EXPECT_EQ(live->dialogs.messages(), std::vector<std::string>{orv::firmware::kCompleted});
    EXPECT_EQ(live->program->firmware.status_line.caption(), "Done!");
    EXPECT_EQ(live->main().connect_button.caption(), "CONNECT");
    // Through the gateway the boot loader is closed instead of read back.
    EXPECT_TRUE(!c.gateway || wait_until([&] { return box->logged("CMD AAAA") > 0; }, 2000));
    EXPECT_TRUE(memory_is(image));
    EXPECT_EQ(box->logged("CMD A\n") > 0, !c.gateway);
}

INSTANTIATE_TEST_SUITE_P(Links, Programming,
                         ::testing::Values(Case{"Pty", false, nullptr},
                                           Case{"Ser2net", true, nullptr},
                                           Case{"PtyCorruptReadBack", false, "5,9"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
