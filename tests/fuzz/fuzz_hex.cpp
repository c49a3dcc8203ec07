// Fuzz target: a firmware file's bytes -> confirmation sum, listed lines and the image build.
//
// Besides the sanitizers, every input is checked against a second, independent reading of
// the same rules (written here from the window's description, not from the loader):
//  - the confirmation sum is the sum of the file's bytes;
//  - the listed lines are the file split at LF with every CR dropped, one more than the LFs;
//  - an accepted file gives the image of the second reading, 28,672 bytes; a refused one no
//    bytes and a message that begins "line N " with the line the second reading refuses, or,
//    for a file without a single data byte, the message that names no line;
//  - the same file read with its CRs removed, and read a second time, gives the same result.
// A random change to a record almost always breaks its checksum, so the loader would refuse
// nearly every mutated file at the same check. Each input is therefore also tried with every
// record-like line repaired (byte count and checksum made right), which lets the fuzzer reach
// addresses, record types and the end of the image.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "firmware/hex_image.h"

namespace {

using orv::firmware::ImageResult;
using orv::firmware::kImageSize;

void check(bool ok, const char* what, const std::string& detail = {}) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_hex: invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

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

// The image, or the 1-based line refused (0: refused as a whole for holding no data byte).
struct Reading {
    std::vector<std::uint8_t> image;
    std::size_t refused = 0;
};

Reading second_reading(const std::string& text) {
    std::vector<std::string> lines(1);  // LF ends a line, CR is nowhere
    for (const char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back().push_back(c);
    }
    if (lines.back().empty()) lines.pop_back();  // the file ended with a line end
    std::vector<std::uint8_t> image(kImageSize, 0);
    bool after_end = false, data = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(":107", 0) == 0) break;  // a record at 0x7000 and on: the end
        const std::vector<std::uint8_t> b = record_bytes(lines[i]);
        unsigned total = 0;
        for (const auto x : b) total += x;
        bool good = !after_end && b.size() >= 5 && b.size() - 5 == b[0] && total % 256 == 0;
        const unsigned count = good ? b[0] : 0;
        const unsigned address = good ? (unsigned{b[1]} << 8) | b[2] : 0;
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
    if (!data) return {};
    return {image, 0};
}

// The text with each record-like line (":" and 10 or more hex digits, in pairs) given the right
// byte count and checksum; other lines, CRs and LFs are kept.
std::string repaired(const std::string& text) {
    std::string out;
    for (std::size_t start = 0, end = 0; start <= text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        const bool cr = !line.empty() && line.back() == '\r';
        std::vector<std::uint8_t> b = record_bytes(line.substr(0, line.size() - (cr ? 1 : 0)));
        if (b.size() >= 5 && b.size() <= 260) {
            b[0] = static_cast<std::uint8_t>(b.size() - 5);
            unsigned sum = 0;
            for (std::size_t k = 0; k + 1 < b.size(); ++k) sum += b[k];
            b.back() = static_cast<std::uint8_t>(256 - sum % 256);
            line = ":";
            for (const auto x : b) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02X", x);
                line += hex;
            }
            if (cr) line += '\r';
        }
        out += line;
        if (end < text.size()) out += '\n';
    }
    return out;
}

void check_file(const std::string& text) {
    std::int64_t sum = 0;
    std::string without_cr;
    std::size_t line_ends = 0;
    for (const char c : text) {
        sum += static_cast<unsigned char>(c);
        if (c != '\r') without_cr.push_back(c);
        line_ends += c == '\n';
    }
    check(orv::firmware::confirmation_sum(text) == sum, "confirmation sum");

    const std::vector<std::string> lines = orv::firmware::list_lines(text);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) joined += (i > 0 ? "\n" : "") + lines[i];
    check(lines.size() == line_ends + 1 && joined == without_cr, "listed lines");

    const ImageResult got = orv::firmware::build_image(text);
    const ImageResult again = orv::firmware::build_image(text);
    const ImageResult plain = orv::firmware::build_image(without_cr);
    check(again.problem == got.problem && again.image == got.image, "not deterministic");
    check(plain.problem == got.problem && plain.image == got.image, "CRs change the result");

    const Reading ref = second_reading(text);
    check(got.image == ref.image, "the image is not that of the second reading", got.problem);
    if (got.ok()) return;
    if (ref.refused == 0)
        return check(got.problem == orv::firmware::kNoDataProblem, "refused no-data file",
                     got.problem);
    const std::string head = "line " + std::to_string(ref.refused) + " ";
    check(got.problem.rfind(head, 0) == 0, "refusal does not name the line", head + got.problem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_file(text);
    const std::string fixed = repaired(text);
    if (fixed != text) check_file(fixed);
    return 0;
}
