// Ways the box can misbehave, for trying the program's error handling. Each is
// set by an option at start ("--NAME VALUE") or at run time ("fault NAME VALUE"):
//   silent-after CMD        the first command whose logged text starts with CMD
//                           ("#T3" for the "#T3" write, "#gRV#", "GVn#", "ROB#",
//                           "block 7", "A") gets no answer, and nothing after it does
//   silent-after-block K    block K (from 0) gets no ack, and nothing after it does
//   drop-after-block K      once block K is in, the link closes (block K is kept, not acked)
//   drop-after-bytes N      the link closes once N bytes came in on it (any mode);
//                           what follows them in the same read is lost
//   corrupt-readback A,B..  the read-back has these addresses' bytes flipped (xor 0xff)
//   short-readback N        the read-back sends only its first N bytes
//   garbage on|off          every reply becomes as many random bytes, the last one "#"
//                           (the others never "#")
//   reply-delay MS          every reply is held back MS milliseconds
//   clear                   (run time only) none of these any more, and answering again
// A drop closes the link once; silence lasts until "fault clear". Addresses and
// counts are decimal, or hexadecimal with "0x".
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace boxsim {

struct Faults {
    std::string silentAfter; // empty = off
    std::optional<std::size_t> silentAfterBlock;
    std::optional<std::size_t> dropAfterBlock;
    std::optional<std::size_t> dropAfterBytes;
    std::vector<std::size_t> corruptReadback;
    std::optional<std::size_t> shortReadback;
    bool garbage = false;
    std::chrono::milliseconds replyDelay { 0 };
};

// The fault names, as in "--NAME" and "fault NAME".
constexpr std::string_view faultNames =
    "silent-after, silent-after-block, drop-after-block, drop-after-bytes, corrupt-readback, "
    "short-readback, garbage, reply-delay";

// Sets one fault from its name and value text ("clear" resets all). False with
// the reason in error for an unknown name or a bad value.
bool setFault(Faults& faults, std::string_view name, std::string_view value, std::string& error);

// The program memory as the read-back sends it under these faults.
std::string readBack(const Faults& faults, std::string memory);

// A reply replaced by random bytes of the same size, the last one "#".
std::string garble(std::string_view reply, std::minstd_rand& random);

// Parses a decimal number, or a hexadecimal one with "0x"; nullopt if not a number up to max.
std::optional<std::size_t> parseCount(std::string_view text, std::size_t max);

} // namespace boxsim
