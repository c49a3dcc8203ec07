// HEX files: the image built from the records, and every refusal naming its line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/hex_image.h"

namespace {

using orv::firmware::build_image;

// One record with its checksum, e.g. record(0x0000, 0, {...}).
std::string record(int address, int type, const std::vector<int>& data) {
    static const char* digits = "0123456789ABCDEF";
    std::vector<int> bytes = {static_cast<int>(data.size()), address >> 8, address & 0xFF, type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    int sum = 0;
    for (int b : bytes) sum += b;
    bytes.push_back((256 - sum % 256) % 256);
    std::string out = ":";
    for (int b : bytes) out += std::string{digits[b >> 4], digits[b & 15]};
    return out + "\r\n";
}

const std::string kEnd = ":00000001FF\r\n";

// Data records are stored at their address, a later one overwriting, the rest zeroes; what real
// tools write around the data (address bases of 0, start addresses) adds nothing, and the first
// 16-byte record at 0x7000 ends the image.
TEST(BuildImage, StoresRecordsAtTheirAddressAndAcceptsWhatRealToolsWriteAroundThem) {
    const std::string file = record(0, 4, {0, 0}) + record(0, 2, {0, 0}) +
                             record(0x0000, 0, {1, 2, 3}) + record(0x6FFE, 0, {0xAA, 0xBB}) +
                             record(0x0001, 0, {9}) + record(0, 5, {0, 0, 1, 0}) +
                             record(0, 3, {0, 0, 0, 0}) + record(0x7000, 0, std::vector(16, 1)) +
                             "the first 16 bytes at 0x7000 end the image\r\n" + kEnd;
    const auto r = build_image(file);
    ASSERT_TRUE(r.ok()) << r.problem;
    ASSERT_EQ(r.image.size(), orv::firmware::kImageSize);
    EXPECT_EQ((std::vector<int>{r.image[0], r.image[1], r.image[2], r.image[3], r.image[0x6FFE],
                                r.image[0x6FFF]}),
              (std::vector<int>{1, 9, 3, 0, 0xAA, 0xBB}));
    // Lower-case digits and LF line ends load the same; no final line end is fine too.
    const auto lower = build_image(":02010000dead72\n:00000001ff\n");
    EXPECT_EQ(lower.image, build_image(record(0x0100, 0, {0xDE, 0xAD}) + kEnd).image);
    EXPECT_EQ(lower.image.at(0x101), 0xAD);
    EXPECT_TRUE(build_image(record(0, 0, {1}) + ":00000001FF").ok());
}

TEST(BuildImage, RefusesFilesItCannotLoadSafelyNamingTheLine) {
    const std::string good = record(0, 0, {1, 2});
    std::string bad_sum = record(0x10, 0, {1});
    bad_sum[bad_sum.size() - 3] = bad_sum[bad_sum.size() - 3] == '0' ? '1' : '0';
    // The file, and the words its refusal holds.
    for (const auto& [file, words] : {
             std::pair{good + "hello\r\n" + kEnd, "line 2 is not a HEX record"},
             {good + "\r\n" + kEnd, "line 2 is not a HEX record"},
             {good + ":0100000G01FE\r\n", "line 2 holds a character"},
             {good + ":0100000g01FE\r\n", "line 2 holds a character"},
             {good + ":0200000001FD\r\n", "line 2 is not as long"},
             {good + ":00000001FF0\r\n", "line 2 has an odd number of digits"},
             {good + bad_sum, "line 2 has a wrong checksum"},
             {record(0x6FFF, 0, {1, 2}), "line 1 holds data outside"},
             {record(0x7000, 0, {1}), "line 1 holds data outside"},  // not 16 bytes: no stop
             {record(0, 4, {0, 1}) + good, "line 1 moves the address base"},
             {record(0, 2, {0x10, 0}) + good, "line 1 moves the address base"},
             {record(0, 6, {}) + good, "line 1 has record type 6"},
             {kEnd + good, "line 2 follows the end-of-file record"},
             {kEnd, "no data record"},
         }) {
        const auto r = build_image(file);
        EXPECT_NE(r.problem.find(words), std::string::npos) << r.problem;
        EXPECT_TRUE(r.image.empty()) << words;
    }
}

}  // namespace
