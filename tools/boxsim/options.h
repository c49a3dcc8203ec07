// boxsim's command line.
//
//   boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]
//          [--box gen1|gen2|lx200|future|silent] [--ident TEXT] [--firmware TEXT] [--product TEXT]
//          [--split N] [--split-gap MS] [--stray HEX] [--reply-delay MS] [--baud N]
//          [--ack HEX] [--record HEX] [--flags N] [--channel N]
//          [--boot-reply TEXT] [--boot-ack HEX] [--memory-file PATH]
//          [--silent-after CMD] [--silent-after-block K] [--drop-after-block K]
//          [--drop-after-bytes N] [--corrupt-readback ADDR[,ADDR...]] [--short-readback N]
//          [--garbage]
//
// Identification: the box answers
//   request          gen1     gen2     lx200    future   (silent: nothing)
//   GVn#             11.1#    1.20#    2.20#    3.00#
//   GVN#, #GVN#      11.1#    1.20#    30Eg#    3.00#
//   #GVP#            ORV-1#   ORV-2#   ORV-2#   ORV-2#
// --ident, --firmware and --product replace these replies with TEXT, sent
// exactly as given (so it must end with "#" itself; empty = no reply).
//
// Reply shaping: --split N sends every reply in chunks of N bytes, --split-gap MS
// apart (default 20); --reply-delay MS holds every reply back (default 0);
// --stray HEX sends these bytes once, right in front of the first reply;
// --baud N paces every byte of every reply at N baud, 10 bits a byte (default:
// no pacing; bytes from the "send" control commands are never paced).
//
// Settings (see settings_record.h): --ack HEX is the one byte that
// acknowledges every write (default 23, "#"); --record HEX the 14 bytes of
// times and options (T1..T5 and gap, each hi lo, emulation, sequential; 15
// bytes ending in 23 are taken too); --flags N (0..255, default 0) and
// --channel N (0..255, default 12).
//
// Boot loader (see boot_loader.h): --boot-reply TEXT answers "ROB#" (default
// "2#"; "1#" = not ready; "" = no answer); --boot-ack HEX is the one byte that
// acknowledges every block (default 06); --memory-file PATH loads program
// memory (at most 28,672 bytes, from address 0; the rest stays 0xff).
//
// Faults (see faults.h): --silent-after, --silent-after-block,
// --drop-after-block, --drop-after-bytes, --corrupt-readback, --short-readback
// take the value of the fault of that name; --garbage takes none.
//
// Numbers are decimal; fault counts and addresses may also be hexadecimal with "0x".
#pragma once

#include "box.h"

#include <cstdint>
#include <string>

namespace boxsim {

struct Options {
    std::uint16_t tcpPort = 0;
    std::string logPath;
    std::string ptyLink;
    BoxConfig box;
};

extern const char* const usage;

// False with the reason in error for a bad command line.
bool parseArgs(int argc, char** argv, Options& opts, std::string& error);

} // namespace boxsim
