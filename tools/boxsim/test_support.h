// What the unit test's files share: failure counting, and the box on fakes.
#pragma once

#include "box.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace boxsim::test {

inline int failures = 0;

inline void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::printf("FAIL: %s\n", what.c_str());
        ++failures;
    }
}

// A box whose replies and dropped links are collected, whose log goes to
// memory and whose clock only moves when the test says so.
class Rig {
public:
    explicit Rig(BoxConfig config = {})
        : file_(open_memstream(&text_, &size_))
        , log_(file_)
        , box(log_, std::move(config), [this](Side side, std::string_view bytes) { sent_[index(side)] += bytes; },
              [this](Side side) { drops.push_back(side); })
    {
    }
    ~Rig()
    {
        std::fclose(file_);
        std::free(text_);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Sends bytes to the box from the side; returns what the box sent back there by now.
    std::string ask(Side side, std::string_view bytes)
    {
        box.receive(side, bytes, now);
        return take(side);
    }
    std::string ask(std::string_view bytes) { return ask(Side::Pty, bytes); }
    // What the box sent to the side since the last look.
    std::string take(Side side) { return std::exchange(sent_[index(side)], std::string()); }
    void advance(Box::Clock::duration by)
    {
        now += by;
        box.releaseDue(now);
    }

    // The CMD and UNKNOWN lines of the log, without time stamp and side:
    // "CMD GVn#", "UNKNOWN :GR#".
    std::vector<std::string> commands()
    {
        std::fflush(file_);
        std::vector<std::string> out;
        std::string_view all(text_, size_);
        while (!all.empty()) {
            const std::string_view line = all.substr(0, all.find('\n'));
            all.remove_prefix(std::min(all.size(), line.size() + 1));
            for (std::string_view kind : { " CMD ", " UNKNOWN " }) {
                const std::size_t at = line.find(kind);
                if (at != std::string_view::npos)
                    out.emplace_back(line.substr(at + 1));
            }
        }
        return out;
    }
    std::string lastCommand()
    {
        const auto all = commands();
        return all.empty() ? std::string() : all.back();
    }

    std::vector<Side> drops;
    Box::Clock::time_point now {};

private:
    static std::size_t index(Side side) { return side == Side::Pty ? 0 : 1; }

    char* text_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
    Log log_;
    std::string sent_[2];

public:
    Box box;
};

// Runs the box tests (box_test.cpp).
void boxTests();

} // namespace boxsim::test
