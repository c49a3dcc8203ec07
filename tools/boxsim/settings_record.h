// The settings the box keeps (its "record") and the commands that read and
// write them. Values are raw bytes on the wire; a value byte may be "#".
//
//   "#gRV#"        -> flags, "#"              bit 0 = RA reversed, bit 1 = DEC reversed
//   "#gET#"        -> generation 1: T1..T5 and the gap, each hi lo, then "#" (13 bytes)
//                     generation 2: the same twelve, emulation, sequential, "#" (15 bytes)
//   "#gCh#"        -> channel, "#"
//   "#rRA" b "#", "#rDE" b "#"                b = 0 clears the flag, anything else sets it
//   "#T1" hi lo "#" ... "#T5" hi lo "#", "#Td" hi lo "#" (the gap)
//   "#sCh" n "#"   the box's RF channel;  "#rCh" n "#"  the remote's channel
//   "#ASM1#", "#ASM0#"   AutoStar2 emulation on / off
//   "#SEQ1#", "#SEQ0#"   sequential guiding on / off
// Every write is acknowledged with one byte (the box's ack byte).
#pragma once

#include "protocol.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boxsim {

struct SettingsRecord {
    std::uint8_t flags = 0;
    std::array<std::uint16_t, 6> times { 120, 60, 30, 15, 5, 10 }; // T1..T5, gap
    std::uint8_t emulation = 0;
    std::uint8_t sequential = 0;
    std::uint8_t channel = 12;
    std::uint8_t remoteChannel = 12;

    // The twelve time bytes, big-endian, then emulation and sequential.
    std::string timeAndOptionBytes() const;
    // Takes 14 such bytes (or 15 ending in "#"); false if the size is wrong.
    bool setTimeAndOptionBytes(std::string_view bytes);
    // flags, the twelve time bytes, emulation, sequential, channel (16 bytes).
    std::string dump() const;
};

// The settings writes with raw byte values, for the framer.
const std::vector<Framer::FixedLength>& settingsFixedLengths();

// The answer to one complete command if it is a settings command (applying a
// write to the record), nullopt otherwise. A write whose last byte is not "#"
// is not a settings command.
std::optional<std::string> settingsAnswer(SettingsRecord& record, int generation, char ack,
                                          std::string_view command);

} // namespace boxsim
