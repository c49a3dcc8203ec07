// Commands read from standard input, one per line:
//   send <hex>      bytes to the pty and to the TCP peer (if any)
//   sendpty <hex>   bytes to the pty only
//   sendtcp <hex>   bytes to the TCP peer only
//   box <name>      answer as that box from now on (gen1, gen2, lx200, future,
//                   silent), with its standard replies: the --ident, --firmware
//                   and --product given at start no longer apply
//   silent on|off   stop / resume answering (the identity is kept)
//   fault NAME [VALUE]  set a fault (see faults.h), e.g. "fault silent-after-block 100",
//                   "fault garbage on", "fault clear"
//   dump            "OK <hex>": the settings record, as flags, the twelve time
//                   bytes, emulation, sequential and channel (16 bytes)
//   state           "OK mode=normal|boot received=<bytes taken in boot mode since
//                   the last ROB#> blocks=<blocks in> remote-channel=<n> silenced=yes|no"
//   memdump PATH    write the program memory (28,672 bytes) to the file PATH
//   quit            exit with status 0 (end of input does the same)
// Each command is answered on stdout with "OK" (or the line given above) or
// "ERR <reason>". Once the pty is gone (see pty.h), sendpty answers
// "ERR no pty" and send reaches the TCP peer only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

struct Command {
    enum class Kind { Send, SendPty, SendTcp, Box, Silent, Fault, Dump, State, MemDump, Quit };
    Kind kind = Kind::Quit;
    std::string bytes; // Send, SendPty, SendTcp: the bytes; Box, Fault: the name; MemDump: the path
    std::string value; // Fault: the value (may be empty)
    bool on = false;   // Silent
};

// Returns the command, or nullopt with the reason in error. A blank line gives
// nullopt with an empty error: it is not a command and gets no answer.
std::optional<Command> parseCommand(std::string_view line, std::string& error);

// Splits a byte stream into lines ("\n" or "\r\n" terminated).
class LineReader {
public:
    void append(std::string_view data) { buffer_.append(data); }
    std::optional<std::string> next();
    // The unterminated rest, e.g. at end of input.
    std::string takeRest();

private:
    std::string buffer_;
};

} // namespace boxsim
