// Commands read from standard input, one per line:
//   send <hex>      bytes to the pty and to the TCP peer (if any)
//   sendpty <hex>   bytes to the pty only
//   sendtcp <hex>   bytes to the TCP peer only
//   quit            exit with status 0 (end of input does the same)
// Each command is answered on stdout with "OK" or "ERR <reason>".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

struct Command {
    enum class Kind { Send, SendPty, SendTcp, Quit };
    Kind kind;
    std::string bytes;
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
