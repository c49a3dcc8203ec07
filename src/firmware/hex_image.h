#pragma once
// Intel HEX firmware files: the confirmation sum of the file's text, its lines, and the
// 28,672-byte image for program addresses 0x0000 to 0x6FFF.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::firmware {

inline constexpr std::size_t kImageSize = 28672;  // 224 blocks of 128 bytes
inline constexpr std::size_t kBlockSize = 128;

// The sum of every byte of the file, line ends included; shown as the confirmation code.
std::int64_t confirmation_sum(const std::string& text);

// The file's lines as the window lists them: CR dropped, LF ends a line, and the line in
// progress at the end of the file is a line too (so an empty file gives one empty line).
std::vector<std::string> list_lines(const std::string& text);

// Why a file without a single data byte is refused: it names no line.
inline constexpr const char* kNoDataProblem =
    "it holds no data record, so there is nothing to program.";

struct ImageResult {
    std::vector<std::uint8_t> image;  // kImageSize bytes when the file was accepted
    std::string problem;              // otherwise what is wrong, naming the line
    bool ok() const { return problem.empty(); }
};

// Builds the image from the file's text: data records are stored at their address, the first
// 16-byte record at 0x7000 or above (":107...") ends the image, the end-of-file record adds
// nothing. Refused, with the line and the problem: a line that is not a record, digits that
// are not hexadecimal, a wrong length or checksum, data outside 0x0000..0x6FFF, record types
// other than data and end of file, except that start-address records (03, 05) are ignored and
// extended-address records (02, 04) are accepted while they leave the address base at 0.
// A file without a single data byte (empty, or only the end-of-file record) is refused too.
ImageResult build_image(const std::string& text);

}  // namespace orv::firmware
