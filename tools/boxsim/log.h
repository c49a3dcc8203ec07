// Timestamped traffic log: one line per event, flushed at once so that a test
// reading the file sees every line as soon as the event has happened.
//
//   <ms since start, 3 decimals> <pty|tcp> RX <hex>
//   <ms> <pty|tcp> TX <hex>
//   <ms> <pty|tcp> CMD <text>          a command the box knows, e.g. "12.345 pty CMD GVn#"
//   <ms> <pty|tcp> UNKNOWN <text>      a command it does not know
//   <ms> <pty|tcp> <EVENT> [detail]    e.g. "12.345 tcp CONNECT"
// The events: CONNECT and CLOSE (a TCP client came or went; "pty CLOSE" when
// the pty is gone), DROP (a fault closes the link, CLOSE follows) and SILENT
// (a fault silences the box).
// In a command's text, bytes other than printable ASCII, and the backslash,
// are written as "\xNN".
#pragma once

#include "side.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace boxsim {

class Log {
public:
    // Writes to stderr until open() succeeds.
    Log();
    // Writes to out, which the caller keeps open (and closes) itself.
    explicit Log(std::FILE* out);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Truncates / creates the file. Returns false (errno set) on failure.
    bool open(const std::string& path);

    void rx(Side side, std::string_view bytes);
    void tx(Side side, std::string_view bytes);
    void event(Side side, std::string_view what);
    void command(Side side, std::string_view text, bool known);

private:
    void line(Side side, std::string_view kind, std::string_view rest);

    std::FILE* out_;
    bool owned_ = false;
    std::chrono::steady_clock::time_point start_;
};

} // namespace boxsim
