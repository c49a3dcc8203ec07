#include "options.h"

#include "hex.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace boxsim {

const char* const usage =
    "usage: boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]\n"
    "              [--box gen1|gen2|lx200|future|silent] [--ident TEXT] [--firmware TEXT] [--product TEXT]\n"
    "              [--split N] [--split-gap MS] [--stray HEX] [--reply-delay MS] [--baud N]\n"
    "              [--ack HEX] [--record HEX] [--flags N] [--channel N]\n"
    "              [--boot-reply TEXT] [--boot-ack HEX] [--memory-file PATH]\n"
    "              [--silent-after CMD] [--silent-after-block K] [--drop-after-block K]\n"
    "              [--drop-after-bytes N] [--corrupt-readback ADDR[,ADDR...]] [--short-readback N]\n"
    "              [--garbage]\n";

namespace {

constexpr std::string_view faultOptions[] = {
    "--silent-after",     "--silent-after-block", "--drop-after-block",
    "--drop-after-bytes", "--corrupt-readback",   "--short-readback",
};

bool isFaultOption(std::string_view arg)
{
    for (std::string_view name : faultOptions) {
        if (arg == name)
            return true;
    }
    return false;
}

bool takesValue(std::string_view arg)
{
    for (std::string_view name :
         { "--tcp-port", "--log", "--pty-link", "--box", "--ident", "--firmware", "--product", "--split",
           "--split-gap", "--stray", "--reply-delay", "--baud", "--ack", "--record", "--flags", "--channel",
           "--boot-reply", "--boot-ack", "--memory-file" }) {
        if (arg == name)
            return true;
    }
    return isFaultOption(arg);
}

bool parseNumber(const std::string& value, unsigned long max, unsigned long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(value.c_str(), &end, 10);
    return !value.empty() && value[0] != '-' && *end == '\0' && errno == 0 && out <= max;
}

std::optional<char> parseByte(const std::string& value)
{
    const auto bytes = parseHex(value);
    if (!bytes || bytes->size() != 1)
        return std::nullopt;
    return bytes->front();
}

bool readFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The options about settings, the boot loader and faults; false if arg is none of them.
bool parseBoxOption(const std::string& arg, const std::string& value, BoxConfig& box, std::string& error)
{
    unsigned long number = 0;
    if (arg == "--baud") {
        if (!parseNumber(value, 10000000, number) || number == 0)
            error = "bad baud rate " + value;
        else
            box.shaping.baud = static_cast<unsigned>(number);
    } else if (arg == "--ack" || arg == "--boot-ack") {
        const auto byte = parseByte(value);
        if (!byte)
            error = "bad byte " + value + " (one byte in hex)";
        else
            (arg == "--ack" ? box.ack : box.bootAck) = *byte;
    } else if (arg == "--record") {
        const auto bytes = parseHex(value);
        if (!bytes || !box.record.setTimeAndOptionBytes(*bytes))
            error = "bad record " + value + " (14 bytes in hex)";
    } else if (arg == "--flags" || arg == "--channel") {
        if (!parseNumber(value, 255, number))
            error = "bad byte value " + value;
        else
            (arg == "--flags" ? box.record.flags : box.record.channel) = static_cast<std::uint8_t>(number);
    } else if (arg == "--boot-reply") {
        box.bootReply = value;
    } else if (arg == "--memory-file") {
        if (!readFile(value, box.memory))
            error = "cannot read " + value;
        else if (box.memory.size() > BootLoader::memorySize)
            error = value + " is larger than the program memory (28672 bytes)";
    } else if (arg == "--garbage") {
        setFault(box.faults, "garbage", value.empty() ? "on" : value, error);
    } else if (isFaultOption(arg)) {
        setFault(box.faults, std::string_view(arg).substr(2), value, error);
    } else {
        return false;
    }
    return true;
}

} // namespace

bool parseArgs(int argc, char** argv, Options& opts, std::string& error)
{
    std::string boxName = "gen2";
    std::optional<std::string> ident, firmware, product;
    constexpr unsigned long maxMs = 3600000;
    error.clear();

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        } else if (takesValue(arg)) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        unsigned long number = 0;
        if (arg == "--tcp-port") {
            if (!parseNumber(value, 65535, number)) {
                error = "bad port " + value;
                return false;
            }
            opts.tcpPort = static_cast<std::uint16_t>(number);
        } else if (arg == "--log" && !value.empty()) {
            opts.logPath = value;
        } else if (arg == "--pty-link" && !value.empty()) {
            opts.ptyLink = value;
        } else if (arg == "--box") {
            if (!namedIdentity(value)) {
                error = "unknown box " + value + " (known: " + std::string(identityNames) + ")";
                return false;
            }
            boxName = value;
        } else if (arg == "--ident") {
            ident = value;
        } else if (arg == "--firmware") {
            firmware = value;
        } else if (arg == "--product") {
            product = value;
        } else if (arg == "--split") {
            if (!parseNumber(value, 65536, number) || number == 0) {
                error = "bad chunk size " + value;
                return false;
            }
            opts.box.shaping.split = number;
        } else if (arg == "--split-gap" || arg == "--reply-delay") {
            if (!parseNumber(value, maxMs, number)) {
                error = "bad milliseconds " + value;
                return false;
            }
            auto& field = arg == "--split-gap" ? opts.box.shaping.splitGap : opts.box.shaping.delay;
            field = std::chrono::milliseconds(number);
        } else if (arg == "--stray") {
            auto bytes = parseHex(value);
            if (!bytes || bytes->empty()) {
                error = "bad hex " + value;
                return false;
            }
            opts.box.stray = std::move(*bytes);
        } else if (!parseBoxOption(arg, value, opts.box, error)) {
            error = "bad argument " + std::string(argv[i]);
            return false;
        }
        if (!error.empty())
            return false;
    }

    opts.box.identity = *namedIdentity(boxName);
    if (ident)
        opts.box.identity.ident = *ident;
    if (firmware)
        opts.box.identity.firmware = *firmware;
    if (product)
        opts.box.identity.product = *product;
    return true;
}

} // namespace boxsim
