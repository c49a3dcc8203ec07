#include "protocol.h"

#include "settings_record.h"

#include <algorithm>
#include <utility>

namespace boxsim {

Framer::Framer(std::vector<FixedLength> fixed)
    : fixed_(std::move(fixed))
{
}

std::string Framer::take(std::size_t n)
{
    std::string command = buffer_.substr(0, n);
    buffer_.erase(0, n);
    return command;
}

std::optional<std::string> Framer::next()
{
    if (buffer_.empty())
        return std::nullopt;

    for (const FixedLength& rule : fixed_) {
        const std::size_t common = std::min(buffer_.size(), rule.prefix.size());
        if (buffer_.compare(0, common, rule.prefix, 0, common) != 0)
            continue;
        // The buffer starts with the prefix, or with the start of it: wait for the rest.
        if (buffer_.size() < rule.prefix.size() || buffer_.size() < rule.length)
            return std::nullopt;
        return take(rule.length);
    }

    const std::size_t from = buffer_.front() == '#' ? 1 : 0;
    const std::size_t end = buffer_.find('#', from);
    if (end != std::string::npos)
        return take(end + 1);
    if (buffer_.size() > maxPending)
        return take(buffer_.size());
    return std::nullopt;
}

const std::vector<Framer::FixedLength>& boxFixedLengths()
{
    static const std::vector<Framer::FixedLength> lengths = [] {
        std::vector<Framer::FixedLength> all = settingsFixedLengths();
        all.push_back({ "AAAA", 4 });
        return all;
    }();
    return lengths;
}

std::optional<Identity> namedIdentity(std::string_view name)
{
    const auto make = [](std::string version, std::string firmware, std::string product) {
        return Identity { std::move(version), std::move(firmware), std::move(product), false, 2 };
    };
    if (name == "gen1") {
        Identity identity = make("11.1#", "11.1#", "ORV-1#");
        identity.generation = 1;
        return identity;
    }
    if (name == "gen2")
        return make("1.20#", "1.20#", "ORV-2#");
    if (name == "lx200")
        return make("2.20#", "30Eg#", "ORV-2#");
    if (name == "future")
        return make("3.00#", "3.00#", "ORV-2#");
    if (name == "silent") {
        Identity identity = make("1.20#", "1.20#", "ORV-2#");
        identity.silent = true;
        return identity;
    }
    return std::nullopt;
}

std::optional<std::string> answer(const Identity& identity, std::string_view command)
{
    const std::string* reply = nullptr;
    if (command == "GVn#")
        reply = &identity.ident;
    else if (command == "GVN#" || command == "#GVN#")
        reply = &identity.firmware;
    else if (command == "#GVP#")
        reply = &identity.product;
    else
        return std::nullopt;
    return identity.silent ? std::string() : *reply;
}

bool takenWithoutReply(std::string_view command)
{
    static constexpr std::string_view plain[] = {
        "#Mn#", "#Ms#", "#Me#", "#Mw#", "#Qn#", "#Qs#", "#Qe#", "#Qw#", "#Q#",
        "#F+#", "#F-#", "#FQ#", "#XP1#", "#XP0#", "AAAA",
    };
    for (std::string_view known : plain) {
        if (command == known)
            return true;
    }
    // "#Mg" d ... "#": the framer ends it at the first "#" after the start.
    return command.size() >= 5 && command.substr(0, 3) == "#Mg" && command.back() == '#'
        && std::string_view("nsew").find(command[3]) != std::string_view::npos;
}

} // namespace boxsim
