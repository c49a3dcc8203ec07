#include "hex.h"

namespace boxsim {

namespace {

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::string toHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 0x0f];
    }
    return out;
}

std::optional<std::string> parseHex(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !isSpace(text[end]))
            ++end;
        const std::string_view token = text.substr(i, end - i);
        i = end;

        if (token.size() == 1) {
            const int v = digitValue(token[0]);
            if (v < 0)
                return std::nullopt;
            out += static_cast<char>(v);
            continue;
        }
        if (token.size() % 2 != 0)
            return std::nullopt;
        for (std::size_t k = 0; k < token.size(); k += 2) {
            const int hi = digitValue(token[k]);
            const int lo = digitValue(token[k + 1]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
        }
    }
    return out;
}

std::string printable(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += digits[b >> 4];
            out += digits[b & 0x0f];
        }
    }
    return out;
}

} // namespace boxsim
