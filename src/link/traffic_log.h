#pragma once
// The record of every byte that went to the box and came from it: the time since the link
// opened and the wall clock, the direction, the transport, and the bytes as text with
// non-printing bytes in hex. The Traffic window shows it live; the program keeps the last
// sessions' records as files.

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/transport.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/timer.h"

namespace orv::link {

// Writes longer than this (firmware blocks, the read-back) are one summary line, not all hex.
inline constexpr std::size_t kTrafficSummaryOver = 64;

struct TrafficEntry {
    enum class Kind { Sent, Received, Event };
    std::int64_t ms = 0;  // since the link opened
    std::string wall;     // the wall clock, "04:55:01.123"
    Kind kind = Kind::Event;
    std::string transport;  // "serial" or "TCP"
    std::string text;       // the bytes as text, or what happened ("opened COM3 ...")
};

// The time of day now, "04:55:01.123", local time.
std::string local_wall_clock();

// "#GVn#" stays as it is; other bytes, and '<' itself, are written "<0D>".
std::string shown_bytes(std::string_view bytes);
// One line of the log: "      +12 ms  04:55:01.123  serial  >  #GVn#".
std::string traffic_line(const TrafficEntry& entry);

// The last sessions' logs as files in a folder: one file a session of the program, each cut at
// a size, the oldest removed beyond a count. Writing happens as each line comes; it is a
// buffered append flushed per line, which costs microseconds.
class TrafficFiles {
public:
    static constexpr std::size_t kMaxFileBytes = 1 << 20;
    static constexpr int kKeepFiles = 5;

    // `folder` "" keeps no files. `stamp` names this session's file ("20261208-045501").
    TrafficFiles(std::string folder, std::string stamp);
    void write(const std::string& line);
    const std::string& path() const { return path_; }

private:
    void open();

    std::string folder_;
    std::string path_;
    std::ofstream out_;
    std::size_t written_ = 0;
    bool opened_ = false;
    bool cut_ = false;
};

class TrafficLog {
public:
    // The entries kept for the window; older ones are only in the files.
    static constexpr std::size_t kKeepEntries = 5000;

    TrafficLog(platform::Clock& clock, std::function<std::string()> wall_clock);
    // Every byte the transport carries from now on is recorded.
    void attach(Transport& transport);
    void add(Flow flow, std::string_view bytes);

    const std::deque<TrafficEntry>& entries() const { return entries_; }
    ui::Signal<const TrafficEntry&> added;
    // Where each line goes as well (the session's file); unset keeps no file.
    std::function<void(const std::string&)> write_line;

private:
    platform::Clock& clock_;
    std::function<std::string()> wall_clock_;
    std::int64_t opened_at_ = 0;
    std::string transport_ = "serial";
    std::deque<TrafficEntry> entries_;
};

// The Traffic window: the log live, following its end; pause, a filter by direction, copy and
// save.
class TrafficWindow : public ui::Window {
public:
    TrafficWindow(TrafficLog& log, platform::Dialogs& dialogs);

    ui::ListBox lines{"lstTraffic"};
    ui::CheckBox pause{"chkPause"};
    ui::Label direction_label{"lblDirection"};
    ui::ComboBox direction{"cboDirection"};  // "Both", "Sent", "Received"
    ui::Button copy{"cmdCopy"};
    ui::Button save{"cmdSave"};
    ui::Button close_button{"cmdClose"};

    // The text the Copy button puts on the clipboard, for the view to hand over.
    ui::Signal<const std::string&> copied;

    // The lines shown now, one a line.
    std::string text() const;
    // Writes every entry kept that the filter lets through; "" on success, else why not.
    std::string save_to(const std::string& path) const;

private:
    bool passes(const TrafficEntry& entry) const;
    void refill();

    TrafficLog& log_;
    platform::Dialogs& dialogs_;
    bool shown_ = false;
};

}  // namespace orv::link
