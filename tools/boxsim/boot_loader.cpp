#include "boot_loader.h"

#include <algorithm>

namespace boxsim {

namespace {

constexpr std::string_view restart = "ROB#";
constexpr std::string_view accept = "AAAA";

// How `input` stands to `word`: it starts with all of it, with a part of it, or not.
enum class Match { Whole, Part, None };

Match match(std::string_view input, std::string_view word)
{
    const std::size_t common = std::min(input.size(), word.size());
    if (input.substr(0, common) != word.substr(0, common))
        return Match::None;
    return common == word.size() ? Match::Whole : Match::Part;
}

} // namespace

void BootLoader::start()
{
    active_ = true;
    input_.clear();
    blocks_ = 0;
    received_ = 0;
}

void BootLoader::append(std::string_view bytes)
{
    input_.append(bytes);
    received_ += bytes.size();
}

std::optional<BootLoader::Event> BootLoader::next()
{
    if (!active_ || input_.empty())
        return std::nullopt;

    // input_ always starts where a block would start, or after the last block.
    switch (match(input_, restart)) {
    case Match::Whole:
        input_.erase(0, restart.size());
        blocks_ = 0;
        received_ = input_.size();
        return Event { Event::Kind::Restart, 0, std::string(restart) };
    case Match::Part:
        return std::nullopt;
    case Match::None:
        break;
    }

    if (blocks_ == blockCount)
        return afterLastBlock();
    if (input_.size() < blockSize)
        return std::nullopt;
    const std::size_t block = blocks_++;
    std::copy_n(input_.begin(), blockSize, memory_.begin() + static_cast<std::ptrdiff_t>(block * blockSize));
    input_.erase(0, blockSize);
    return Event { Event::Kind::Block, block, "block " + std::to_string(block) };
}

std::optional<BootLoader::Event> BootLoader::afterLastBlock()
{
    const Match m = match(input_, accept);
    if (m == Match::Whole) {
        input_.erase(0, accept.size());
        active_ = false;
        return Event { Event::Kind::Accept, 0, std::string(accept) };
    }
    if (m == Match::Part && input_.size() > 1)
        return std::nullopt; // "AA", "AAA": perhaps "AAAA" in pieces
    const std::string first = input_.substr(0, 1);
    input_.erase(0, 1);
    if (first == "A")
        return Event { Event::Kind::ReadBack, 0, first };
    return Event { Event::Kind::Stray, 0, first };
}

std::string BootLoader::takeRest()
{
    std::string rest;
    rest.swap(input_);
    return rest;
}

void BootLoader::dropPartial(bool lost)
{
    // Whole blocks are taken at once, so whatever waits here is unfinished.
    if (lost)
        received_ -= input_.size();
    input_.clear();
}

std::string BootLoader::memory() const
{
    return std::string(memory_.begin(), memory_.end());
}

bool BootLoader::load(std::string_view bytes)
{
    if (bytes.size() > memorySize)
        return false;
    std::copy(bytes.begin(), bytes.end(), memory_.begin());
    return true;
}

} // namespace boxsim
