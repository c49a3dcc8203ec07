#include "protocol.h"

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
    // No command with raw byte values yet.
    static const std::vector<Framer::FixedLength> lengths;
    return lengths;
}

std::optional<Identity> namedIdentity(std::string_view name)
{
    const auto make = [](std::string version, std::string firmware, std::string product) {
        return Identity { std::move(version), std::move(firmware), std::move(product), false };
    };
    if (name == "gen1")
        return make("11.1#", "11.1#", "ORV-1#");
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

} // namespace boxsim
