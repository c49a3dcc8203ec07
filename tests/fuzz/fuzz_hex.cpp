// Fuzz target: a firmware file's bytes -> confirmation sum, listed lines and the image build.
//
// Besides the sanitizers, every input is checked against a second, independent reading of
// the same rules (written here from the window's description, not from the loader):
//  - the confirmation sum is the sum of the file's bytes;
//  - the listed lines are the file split at LF with every CR dropped, one more than the LFs;
//  - an accepted file gives the image of the second reading, 28,672 bytes; a refused one no
//    bytes and a message that begins "line N " with the line the second reading refuses, or,
//    for a file without a single data byte, the message that names no line.
// A random change to a record almost always breaks its checksum, so the loader would refuse
// nearly every mutated file at the same check. Each input is therefore also tried with every
// record-like line repaired (byte count and checksum made right), which lets the fuzzer reach
// addresses, record types and the end of the image.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "firmware/hex_image.h"
#include "fuzz/check.h"

namespace {

using orv::firmware::kImageSize;

// A record's bytes: ":" then whole hex pairs; none for anything else.
std::vector<std::uint8_t> record_bytes(const std::string& line) {
    std::vector<std::uint8_t> out;
    if (line.empty() || line[0] != ':' || line.size() % 2 == 0) return {};
    for (std::size_t p = 1; p < line.size(); p += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(line[p])) ||
            !std::isxdigit(static_cast<unsigned char>(line[p + 1])))
            return {};
        out.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(p, 2), nullptr, 16)));
    }
    return out;
}

// The image of the file's lines, or none and the 1-based line refused (0: no data byte at all).
std::pair<std::vector<std::uint8_t>, std::size_t> second_reading(std::vector<std::string> lines) {
    if (lines.back().empty()) lines.pop_back();  // the file ended with a line end
    std::vector<std::uint8_t> image(kImageSize, 0);
    bool after_end = false, data = false;
    // A record at 0x7000 and on ends the image.
    for (std::size_t i = 0; i < lines.size() && lines[i].rfind(":107", 0) != 0; ++i) {
        const std::vector<std::uint8_t> b = record_bytes(lines[i]);
        unsigned total = 0;
        for (const auto x : b) total += x;
        bool good = !after_end && b.size() >= 5 && b.size() - 5 == b[0] && total % 256 == 0;
        const unsigned count = good ? b[0] : 0, address = good ? b[1] << 8 | b[2] : 0;
        if (good && b[3] == 0) {
            good = address + count <= kImageSize;
            for (unsigned k = 0; good && k < count; ++k) image[address + k] = b[4 + k];
            data = data || count > 0;
        } else if (good && (b[3] == 2 || b[3] == 4)) {
            for (unsigned k = 0; k < count; ++k) good = good && b[4 + k] == 0;
        } else {
            after_end = after_end || (good && b[3] == 1);
            good = good && b[3] >= 1 && b[3] <= 5;
        }
        if (!good) return {{}, i + 1};
    }
    return {data ? image : std::vector<std::uint8_t>{}, 0};
}

// The text with each record-like line (":" and 10 or more hex digits, in pairs, perhaps a CR)
// given the right byte count and checksum; other lines, CRs and LFs are kept.
std::string repaired(const std::string& text) {
    std::string out;
    for (std::size_t from = 0, to = 0; to < text.size(); from = to + 1) {
        to = std::min(text.find('\n', from), text.size());
        std::string line = text.substr(from, to - from);
        const bool cr = !line.empty() && line.back() == '\r';
        std::vector<std::uint8_t> b = record_bytes(line.substr(0, line.size() - cr));
        if (b.size() >= 5 && b.size() <= 260) {
            b[0] = static_cast<std::uint8_t>(b.size() - 5);
            b.back() = 0;
            for (std::size_t k = 0; k + 1 < b.size(); ++k) b.back() -= b[k];
            line = ":";
            for (const auto x : b)
                (line += "0123456789ABCDEF"[x >> 4]) += "0123456789ABCDEF"[x & 15];
            if (cr) line += '\r';
        }
        out += line + (to < text.size() ? "\n" : "");
    }
    return out;
}

void check_file(const std::string& text) {
    std::int64_t sum = 0;
    std::vector<std::string> lines(1);  // LF ends a line, CR is nowhere
    for (const char c : text) {
        sum += static_cast<unsigned char>(c);
        if (c == '\n') lines.emplace_back();
        if (c != '\n' && c != '\r') lines.back() += c;
    }
    FUZZ_CHECK(orv::firmware::confirmation_sum(text) == sum);
    FUZZ_CHECK(orv::firmware::list_lines(text) == lines);
    const auto got = orv::firmware::build_image(text);
    const auto [image, refused] = second_reading(lines);
    FUZZ_CHECK(got.image == image && got.ok() == !image.empty());
    const std::string names =
        refused == 0 ? orv::firmware::kNoDataProblem : "line " + std::to_string(refused) + " ";
    FUZZ_CHECK(got.ok() || got.problem.rfind(names, 0) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_file(text);
    if (const std::string fixed = repaired(text); fixed != text) check_file(fixed);
    return 0;
}
