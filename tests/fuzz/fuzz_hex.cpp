// Fuzz target: a firmware file's bytes -> confirmation sum, listed lines and the image build.
//
// Besides the sanitizers, every input is checked against a second, independent reading of
// the same rules (written here from the window's description, not from the loader):
//  - the confirmation sum is the sum of the file's bytes;
//  - the listed lines are the file split at LF with every CR dropped, one more than the LFs;
//  - an accepted file gives exactly 28,672 bytes, a refused one no bytes and a message that
//    names a line of the file ("line N ...", 1 <= N <= the number of lines), except a file
//    without a single data byte, which is refused as a whole;
//  - the same file read with its CRs removed is accepted or refused alike;
//  - building twice gives the same result;
//  - the line refused and the image accepted are those of the second reading.
// A random change to a record almost always breaks its checksum, so the loader would refuse
// nearly every mutated file at the same check. Each input is therefore also tried with every
// record-like line repaired (byte count and checksum made right), which lets the fuzzer reach
// addresses, record types and the end of the image.

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

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_hex: invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

// --- the second reading -----------------------------------------------------------------

struct Reading {
    bool accepted = false;
    bool no_data = false;          // refused as a whole: not one data byte
    std::size_t refused_line = 0;  // 0-based, when refused for a line
    std::vector<std::uint8_t> image;
};

int nibble(char c) {
    static const std::string digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    const auto at = digits.find(lower);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

// One record's bytes, or an empty vector when the text after ":" is not whole hex pairs.
std::vector<std::uint8_t> record_bytes(const std::string& line) {
    std::vector<std::uint8_t> out;
    const std::string body = line.substr(1);
    if (body.size() % 2 != 0) return {};
    for (std::size_t p = 0; p < body.size(); p += 2) {
        const int hi = nibble(body[p]);
        const int lo = nibble(body[p + 1]);
        if (hi < 0 || lo < 0) return {};
        out.push_back(static_cast<std::uint8_t>((hi << 4) | lo));
    }
    return out;
}

Reading second_reading(const std::string& text) {
    // Lines: LF ends one, CR is nowhere, the rest after the last LF is a line too.
    std::vector<std::string> lines(1);
    for (const char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back().push_back(c);
    }
    Reading r;
    r.image.assign(kImageSize, 0);
    bool after_end = false;
    bool data = false;
    const auto refuse = [&](std::size_t i) {
        r.accepted = false;
        r.refused_line = i;
        r.image.clear();
        return r;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (i + 1 == lines.size() && line.empty()) break;  // the file ended with a line end
        if (line.size() >= 4 && line.substr(0, 4) == ":107") break;  // a record at 0x7000..
        if (line.empty() || line[0] != ':') return refuse(i);
        if (after_end) return refuse(i);
        const std::vector<std::uint8_t> b = record_bytes(line);
        if (b.size() < 5 || b.size() - 5 != b[0]) return refuse(i);
        unsigned total = 0;
        for (const auto x : b) total += x;
        if (total % 256 != 0) return refuse(i);
        const unsigned count = b[0];
        const unsigned address = (unsigned{b[1]} << 8) | b[2];
        switch (b[3]) {
            case 0:
                if (address + count > kImageSize) return refuse(i);
                for (unsigned k = 0; k < count; ++k) r.image[address + k] = b[4 + k];
                data = data || count > 0;
                break;
            case 1:
                after_end = true;
                break;
            case 2:
            case 4:
                for (unsigned k = 0; k < count; ++k)
                    if (b[4 + k] != 0) return refuse(i);
                break;
            case 3:
            case 5:
                break;
            default:
                return refuse(i);
        }
    }
    if (!data) {
        r.no_data = true;
        r.image.clear();
        return r;
    }
    r.accepted = true;
    return r;
}

// "line N ..." -> N; 0 when the message does not begin so.
std::size_t named_line(const std::string& problem) {
    const std::string head = "line ";
    if (problem.compare(0, head.size(), head) != 0) return 0;
    std::size_t n = 0;
    std::size_t p = head.size();
    if (p >= problem.size() || problem[p] < '1' || problem[p] > '9') return 0;
    for (; p < problem.size() && problem[p] >= '0' && problem[p] <= '9'; ++p) {
        if (n > 100000000) return 0;
        n = n * 10 + static_cast<std::size_t>(problem[p] - '0');
    }
    if (p >= problem.size() || problem[p] != ' ') return 0;
    return n;
}

void check_shape(const ImageResult& r, std::size_t line_count) {
    if (r.ok()) {
        if (r.image.size() != kImageSize)
            fail("accepted image size", std::to_string(r.image.size()));
        return;
    }
    if (!r.image.empty()) fail("refused but image not empty");
    if (r.problem == orv::firmware::kNoDataProblem) return;
    const std::size_t n = named_line(r.problem);
    if (n == 0 || n > line_count) fail("refusal does not name a line of the file", r.problem);
}

// The text with each line that is ":" and an even number (10 or more) of hexadecimal digits
// given the right byte count and checksum; other lines and the line ends are kept.
std::string repaired(const std::string& text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.pop_back();
        const std::vector<std::uint8_t> b =
            line.empty() || line[0] != ':' ? std::vector<std::uint8_t>{} : record_bytes(line);
        if (b.size() >= 5 && b.size() - 5 <= 255) {
            std::vector<std::uint8_t> fixed = b;
            fixed[0] = static_cast<std::uint8_t>(b.size() - 5);
            unsigned sum = 0;
            for (std::size_t k = 0; k + 1 < fixed.size(); ++k) sum += fixed[k];
            fixed.back() = static_cast<std::uint8_t>((256 - sum % 256) % 256);
            line = ":";
            for (const auto x : fixed) {
                line.push_back(hex[x >> 4]);
                line.push_back(hex[x & 15]);
            }
        }
        out += line;
        if (cr) out.push_back('\r');
        if (end == text.size()) break;
        out.push_back('\n');
        start = end + 1;
    }
    return out;
}

void check_file(const std::string& text) {
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();

    // The confirmation sum.
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    if (orv::firmware::confirmation_sum(text) != sum) fail("confirmation sum");

    // The listed lines.
    const std::vector<std::string> lines = orv::firmware::list_lines(text);
    std::size_t line_ends = 0;
    std::string without_cr;
    for (const char c : text) {
        if (c == '\n') ++line_ends;
        if (c != '\r') without_cr.push_back(c);
    }
    if (lines.size() != line_ends + 1) fail("line count");
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined.push_back('\n');
        if (lines[i].find('\n') != std::string::npos || lines[i].find('\r') != std::string::npos)
            fail("a listed line holds a line end");
        joined += lines[i];
    }
    if (joined != without_cr) fail("lines do not join back to the file");

    // The image.
    const ImageResult first = orv::firmware::build_image(text);
    check_shape(first, lines.size());
    const ImageResult again = orv::firmware::build_image(text);
    if (again.problem != first.problem || again.image != first.image) fail("not deterministic");
    if (without_cr.size() != text.size()) {
        const ImageResult plain = orv::firmware::build_image(without_cr);
        if (plain.problem != first.problem || plain.image != first.image)
            fail("CRs change the result", first.problem + " / " + plain.problem);
    }

    const Reading ref = second_reading(text);
    if (ref.accepted != first.ok())
        fail(first.ok() ? "accepted, second reading refuses line"
                        : "refused, second reading accepts",
             first.ok() ? std::to_string(ref.refused_line + 1) : first.problem);
    if (first.ok()) {
        if (ref.image != first.image) fail("image differs from the second reading");
    } else if (ref.no_data != (first.problem == orv::firmware::kNoDataProblem)) {
        fail("refused for no data differs from the second reading", first.problem);
    } else if (!ref.no_data && named_line(first.problem) != ref.refused_line + 1) {
        fail("refused line differs from the second reading",
             first.problem + " / line " + std::to_string(ref.refused_line + 1));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_file(text);
    const std::string fixed = repaired(text);
    if (fixed != text) check_file(fixed);
    return 0;
}
