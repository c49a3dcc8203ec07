#include "control.h"

#include "hex.h"

#include <utility>

namespace boxsim {

namespace {

std::string_view trim(std::string_view s)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<Command> parseCommand(std::string_view line, std::string& error)
{
    error.clear();
    line = trim(line);
    if (line.empty())
        return std::nullopt;

    const std::size_t space = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, space);
    const std::string_view args = space == std::string_view::npos ? std::string_view {} : trim(line.substr(space));

    Command cmd;
    for (const auto& [name, kind] : { std::pair { "quit", Command::Kind::Quit }, { "dump", Command::Kind::Dump },
                                      { "state", Command::Kind::State } }) {
        if (word != name)
            continue;
        if (!args.empty()) {
            error = std::string(name) + " takes no arguments";
            return std::nullopt;
        }
        cmd.kind = kind;
        return cmd;
    }
    if (word == "memdump" || word == "fault") {
        if (args.empty()) {
            error = word == "fault" ? "fault takes a name and a value" : "memdump takes a path";
            return std::nullopt;
        }
        cmd.kind = word == "fault" ? Command::Kind::Fault : Command::Kind::MemDump;
        // A fault's name, then its value (the rest of the line); the whole of a path.
        const std::size_t gap = word == "fault" ? args.find_first_of(" \t") : std::string_view::npos;
        cmd.bytes = args.substr(0, gap);
        cmd.value = gap == std::string_view::npos ? std::string_view {} : trim(args.substr(gap));
        return cmd;
    }
    if (word == "box") {
        if (args.empty() || args.find_first_of(" \t") != std::string_view::npos) {
            error = "box takes one name";
            return std::nullopt;
        }
        cmd.kind = Command::Kind::Box;
        cmd.bytes = args;
        return cmd;
    }
    if (word == "silent") {
        if (args != "on" && args != "off") {
            error = "silent takes on or off";
            return std::nullopt;
        }
        cmd.kind = Command::Kind::Silent;
        cmd.on = args == "on";
        return cmd;
    }

    Command::Kind kind;
    if (word == "send")
        kind = Command::Kind::Send;
    else if (word == "sendpty")
        kind = Command::Kind::SendPty;
    else if (word == "sendtcp")
        kind = Command::Kind::SendTcp;
    else {
        error = "unknown command " + std::string(word);
        return std::nullopt;
    }

    auto bytes = parseHex(args);
    if (!bytes) {
        error = "bad hex";
        return std::nullopt;
    }
    if (bytes->empty()) {
        error = "no bytes";
        return std::nullopt;
    }
    cmd.kind = kind;
    cmd.bytes = std::move(*bytes);
    return cmd;
}

std::optional<std::string> LineReader::next()
{
    const std::size_t nl = buffer_.find('\n');
    if (nl == std::string::npos)
        return std::nullopt;
    std::string line = buffer_.substr(0, nl);
    buffer_.erase(0, nl + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string LineReader::takeRest()
{
    std::string rest;
    rest.swap(buffer_);
    return rest;
}

} // namespace boxsim
