#include "firmware/hex_image.h"

namespace orv::firmware {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string line_no(std::size_t index) { return "line " + std::to_string(index + 1); }

}  // namespace

std::int64_t confirmation_sum(const std::string& text) {
    std::int64_t sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    return sum;
}

std::vector<std::string> list_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(current);
            current.clear();
        } else if (c != '\r') {
            current += c;
        }
    }
    lines.push_back(current);
    return lines;
}

ImageResult build_image(const std::string& text) {
    ImageResult result;
    const std::vector<std::string> lines = list_lines(text);
    std::vector<std::uint8_t> image(kImageSize, 0);
    bool ended = false;  // an end-of-file record was seen
    bool data = false;   // a data record put at least one byte into the image
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // The file ends right after the last line end.
        if (line.empty() && i + 1 == lines.size()) break;
        // The first 16-byte record at 0x7000 or above ends the image; nothing after it is used.
        if (line.compare(0, 4, ":107") == 0) break;
        if (line.empty() || line[0] != ':') {
            result.problem = line_no(i) + " is not a HEX record (it must begin with \":\").";
            return result;
        }
        if (ended) {
            result.problem = line_no(i) + " follows the end-of-file record.";
            return result;
        }
        std::vector<std::uint8_t> bytes;
        for (std::size_t p = 1; p < line.size(); p += 2) {
            const int hi = hex_digit(line[p]);
            const int lo = p + 1 < line.size() ? hex_digit(line[p + 1]) : 0;
            if (hi < 0 || lo < 0) {
                result.problem = line_no(i) + " holds a character that is not a hexadecimal digit.";
                return result;
            }
            if (p + 1 >= line.size()) {
                result.problem = line_no(i) + " has an odd number of digits.";
                return result;
            }
            bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        if (bytes.size() < 5 || bytes.size() != 5u + bytes[0]) {
            result.problem = line_no(i) + " is not as long as its byte count says.";
            return result;
        }
        std::uint8_t sum = 0;
        for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
        if (sum != 0) {
            result.problem = line_no(i) + " has a wrong checksum.";
            return result;
        }
        const std::size_t count = bytes[0];
        const std::size_t address = bytes[1] * 256u + bytes[2];
        const std::uint8_t type = bytes[3];
        switch (type) {
            case 0x00:
                if (address + count > kImageSize) {
                    result.problem = line_no(i) + " holds data outside the program memory "
                                                  "(0x0000 to 0x6FFF).";
                    return result;
                }
                for (std::size_t k = 0; k < count; ++k) image[address + k] = bytes[4 + k];
                data = data || count > 0;
                break;
            case 0x01:
                ended = true;
                break;
            case 0x02:
            case 0x04: {
                bool zero = true;
                for (std::size_t k = 0; k < count; ++k) zero = zero && bytes[4 + k] == 0;
                if (!zero) {
                    result.problem = line_no(i) + " moves the address base away from 0, outside "
                                                  "the program memory.";
                    return result;
                }
                break;
            }
            case 0x03:
            case 0x05:
                break;  // a start address means nothing to the box
            default:
                result.problem = line_no(i) + " has record type " + std::to_string(type) +
                                 ", which a firmware file does not use.";
                return result;
        }
    }
    if (!data) {
        // Programming it would fill the whole program memory with zeros.
        result.problem = kNoDataProblem;
        return result;
    }
    result.image = std::move(image);
    return result;
}

}  // namespace orv::firmware
