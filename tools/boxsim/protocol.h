// The box's command language, independent of any I/O: how complete commands
// are cut out of the received bytes, and what each identity answers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boxsim {

// Cuts complete commands out of the bytes received on one side:
//   - a command that starts with a fixed-length prefix (see FixedLength) is that
//     many bytes long, whatever they are: for commands carrying raw byte values;
//   - a command that starts with "#" runs to the next "#" after its first byte ("#GVP#");
//   - any other command runs up to and including the first "#" ("GVn#").
// More than maxPending bytes without a complete command are handed out as one
// command (which no identity knows), so the buffer cannot grow without bound.
class Framer {
public:
    struct FixedLength {
        std::string prefix;
        std::size_t length; // of the whole command, prefix included
    };
    static constexpr std::size_t maxPending = 1024;

    explicit Framer(std::vector<FixedLength> fixed);

    void append(std::string_view bytes) { buffer_.append(bytes); }
    // The next complete command, or nullopt until more bytes arrive.
    std::optional<std::string> next();
    void clear() { buffer_.clear(); }
    // Everything not yet taken, e.g. the raw bytes after "ROB#".
    std::string takeAll() { return take(buffer_.size()); }
    std::size_t pending() const { return buffer_.size(); }

private:
    std::string take(std::size_t n);

    std::vector<FixedLength> fixed_;
    std::string buffer_;
};

// The fixed-length commands the box knows, by prefix: the settings writes
// (see settings_record.h) and "AAAA", which ends the boot loader (and is
// taken, without reply, after it too).
const std::vector<Framer::FixedLength>& boxFixedLengths();

// The replies of one kind of box. Every text is sent exactly as it is (an
// empty one sends nothing).
struct Identity {
    std::string ident;    // to "GVn#"
    std::string firmware; // to "GVN#" and "#GVN#"
    std::string product;  // to "#GVP#"
    bool silent = false;  // answers nothing at all
    int generation = 2;   // 1 for gen1; decides the size of the settings record
};

// "gen1", "gen2", "lx200", "future", or "silent" (a gen2 box that answers
// nothing); nullopt for any other name. gen1 is generation 1, the others 2.
std::optional<Identity> namedIdentity(std::string_view name);
constexpr std::string_view identityNames = "gen1, gen2, lx200, future, silent";

// The answer to one complete command: nullopt if the box does not know the
// command, an empty string if it knows it but sends nothing back.
std::optional<std::string> answer(const Identity& identity, std::string_view command);

// Commands the box takes without a reply: motion ("#Mn#", "#Ms#", "#Me#",
// "#Mw#", stop "#Qn#".."#Qw#", "#Q#", guiding "#Mg" d ... "#" with d one of
// n s e w and anything up to the "#"), focus ("#F+#", "#F-#", "#FQ#"), the
// camera shutter ("#XP1#", "#XP0#"), and "AAAA" outside the boot loader.
bool takenWithoutReply(std::string_view command);

} // namespace boxsim
