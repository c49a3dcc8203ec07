#include "faults.h"

#include "boot_loader.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace boxsim {

std::optional<std::size_t> parseCount(std::string_view text, std::size_t max)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    const std::string digits(text);
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0])))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || errno != 0 || value > max)
        return std::nullopt;
    return static_cast<std::size_t>(value);
}

namespace {

constexpr std::size_t maxCount = 1u << 30;
constexpr std::size_t maxDelayMs = 3600000;

bool setCount(std::optional<std::size_t>& field, std::string_view value, std::size_t max, std::string& error)
{
    const auto count = parseCount(value, max);
    if (!count) {
        error = "bad number " + std::string(value);
        return false;
    }
    field = *count;
    return true;
}

bool setAddresses(std::vector<std::size_t>& field, std::string_view value, std::string& error)
{
    std::vector<std::size_t> addresses;
    while (true) {
        const std::size_t comma = value.find(',');
        const auto address = parseCount(value.substr(0, comma), BootLoader::memorySize - 1);
        if (!address) {
            error = "bad address " + std::string(value.substr(0, comma));
            return false;
        }
        addresses.push_back(*address);
        if (comma == std::string_view::npos)
            break;
        value.remove_prefix(comma + 1);
    }
    field = std::move(addresses);
    return true;
}

} // namespace

bool setFault(Faults& faults, std::string_view name, std::string_view value, std::string& error)
{
    if (name == "clear") {
        faults = Faults {};
        return true;
    }
    if (name == "silent-after") {
        if (value.empty()) {
            error = "silent-after needs a command";
            return false;
        }
        faults.silentAfter = value;
        return true;
    }
    if (name == "silent-after-block")
        return setCount(faults.silentAfterBlock, value, BootLoader::blockCount - 1, error);
    if (name == "drop-after-block")
        return setCount(faults.dropAfterBlock, value, BootLoader::blockCount - 1, error);
    if (name == "drop-after-bytes")
        return setCount(faults.dropAfterBytes, value, maxCount, error);
    if (name == "short-readback")
        return setCount(faults.shortReadback, value, BootLoader::memorySize, error);
    if (name == "corrupt-readback")
        return setAddresses(faults.corruptReadback, value, error);
    if (name == "garbage") {
        if (value != "on" && value != "off") {
            error = "garbage takes on or off";
            return false;
        }
        faults.garbage = value == "on";
        return true;
    }
    if (name == "reply-delay") {
        std::optional<std::size_t> ms;
        if (!setCount(ms, value, maxDelayMs, error))
            return false;
        faults.replyDelay = std::chrono::milliseconds(*ms);
        return true;
    }
    error = "unknown fault " + std::string(name) + " (known: " + std::string(faultNames) + ", clear)";
    return false;
}

std::string readBack(const Faults& faults, std::string memory)
{
    for (std::size_t address : faults.corruptReadback) {
        if (address < memory.size())
            memory[address] = static_cast<char>(~static_cast<unsigned char>(memory[address]));
    }
    if (faults.shortReadback && *faults.shortReadback < memory.size())
        memory.resize(*faults.shortReadback);
    return memory;
}

std::string garble(std::string_view reply, std::minstd_rand& random)
{
    std::string out;
    if (reply.empty())
        return out;
    std::uniform_int_distribution<int> byte(0, 254);
    for (std::size_t i = 1; i < reply.size(); ++i) {
        const int b = byte(random);
        out += static_cast<char>(b >= '#' ? b + 1 : b); // every value but "#"
    }
    return out + '#';
}

} // namespace boxsim
