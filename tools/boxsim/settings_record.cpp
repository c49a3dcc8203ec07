#include "settings_record.h"

namespace boxsim {

namespace {

std::uint8_t byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<std::uint8_t>(bytes[i]);
}

// "#T1".."#T5", "#Td": the index into SettingsRecord::times.
std::optional<std::size_t> timeIndex(std::string_view prefix)
{
    static constexpr std::string_view names[] = { "#T1", "#T2", "#T3", "#T4", "#T5", "#Td" };
    for (std::size_t i = 0; i < std::size(names); ++i) {
        if (prefix == names[i])
            return i;
    }
    return std::nullopt;
}

// A six-byte write ("#T1" hi lo "#", "#rRA" b "#", ...): applies it, false if unknown.
bool applyFixedWrite(SettingsRecord& record, std::string_view command)
{
    if (command.size() != 6 || command.back() != '#')
        return false;
    if (const auto index = timeIndex(command.substr(0, 3))) {
        record.times[*index] = static_cast<std::uint16_t>(byteAt(command, 3) << 8 | byteAt(command, 4));
        return true;
    }
    const std::string_view prefix = command.substr(0, 4);
    const std::uint8_t value = byteAt(command, 4);
    const auto setBit = [&](std::uint8_t bit) {
        record.flags = static_cast<std::uint8_t>(value != 0 ? record.flags | bit : record.flags & ~bit);
    };
    if (prefix == "#rRA")
        setBit(1);
    else if (prefix == "#rDE")
        setBit(2);
    else if (prefix == "#sCh")
        record.channel = value;
    else if (prefix == "#rCh")
        record.remoteChannel = value;
    else
        return false;
    return true;
}

} // namespace

std::string SettingsRecord::timeAndOptionBytes() const
{
    std::string out;
    for (std::uint16_t t : times) {
        out += static_cast<char>(t >> 8);
        out += static_cast<char>(t & 0xff);
    }
    out += static_cast<char>(emulation);
    out += static_cast<char>(sequential);
    return out;
}

bool SettingsRecord::setTimeAndOptionBytes(std::string_view bytes)
{
    if (bytes.size() == 15 && bytes.back() == '#')
        bytes.remove_suffix(1);
    if (bytes.size() != 14)
        return false;
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = static_cast<std::uint16_t>(byteAt(bytes, 2 * i) << 8 | byteAt(bytes, 2 * i + 1));
    emulation = byteAt(bytes, 12);
    sequential = byteAt(bytes, 13);
    return true;
}

std::string SettingsRecord::dump() const
{
    return static_cast<char>(flags) + timeAndOptionBytes() + static_cast<char>(channel);
}

const std::vector<Framer::FixedLength>& settingsFixedLengths()
{
    static const std::vector<Framer::FixedLength> lengths {
        { "#rRA", 6 }, { "#rDE", 6 }, { "#sCh", 6 }, { "#rCh", 6 }, { "#T1", 6 },
        { "#T2", 6 },  { "#T3", 6 },  { "#T4", 6 },  { "#T5", 6 },  { "#Td", 6 },
    };
    return lengths;
}

std::optional<std::string> settingsAnswer(SettingsRecord& record, int generation, char ack,
                                          std::string_view command)
{
    if (command == "#gRV#")
        return std::string { static_cast<char>(record.flags), '#' };
    if (command == "#gCh#")
        return std::string { static_cast<char>(record.channel), '#' };
    if (command == "#gET#") {
        std::string reply = record.timeAndOptionBytes();
        if (generation < 2)
            reply.resize(12);
        return reply + '#';
    }
    if (command == "#ASM1#" || command == "#ASM0#")
        record.emulation = command[4] == '1';
    else if (command == "#SEQ1#" || command == "#SEQ0#")
        record.sequential = command[4] == '1';
    else if (!applyFixedWrite(record, command))
        return std::nullopt;
    return std::string(1, ack);
}

} // namespace boxsim
