#pragma once
// Fakes of every platform interface: a clock whose timers fire in order when time is advanced,
// a serial port and a socket that record what is written and let a test inject arrivals,
// scripted dialogs, an in-memory store, a sound player that records what it is asked to do.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "platform/port_directory.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/sound_player.h"
#include "platform/tcp_socket.h"
#include "platform/timer.h"

namespace orv::fake {

// The value `key` maps to, or `fallback`.
template <class Map, class Key, class Value>
Value find_or(const Map& map, const Key& key, Value fallback) {
    const auto it = map.find(key);
    return it == map.end() ? fallback : it->second;
}

class Clock;

class Timer : public platform::Timer {
public:
    explicit Timer(Clock& c) : clock(c) {}
    ~Timer() override;
    void start(int interval_ms) override;
    void stop() override { on = false; }
    bool active() const override { return on; }
    int interval() const override { return every; }

    Clock& clock;
    bool on = false;
    int every = 0;
    std::int64_t due = 0;
};

class Clock : public platform::Clock {
public:
    std::unique_ptr<platform::Timer> make_timer() override {
        auto t = std::make_unique<Timer>(*this);
        timers.insert(t.get());
        return t;
    }
    std::int64_t now_ms() const override { return now; }

    // Moves time forward, firing every tick that falls due, in time order.
    void advance(std::int64_t ms) {
        const std::int64_t end = now + ms;
        for (;;) {
            Timer* next = nullptr;
            for (Timer* t : timers)
                if (t->on && t->due <= end && (next == nullptr || t->due < next->due)) next = t;
            if (next == nullptr) break;
            now = next->due;
            next->due += next->every;
            if (next->on_tick) next->on_tick();
        }
        now = end;
    }

    std::int64_t now = 0;
    std::set<Timer*> timers;
};

inline Timer::~Timer() { clock.timers.erase(this); }
inline void Timer::start(int interval_ms) {
    every = interval_ms;
    on = interval_ms > 0;
    due = clock.now + interval_ms;
}

class SerialPort : public platform::SerialPort {
public:
    std::string open(const std::string& path, const platform::LineSettings& line) override {
        opened_path = path;
        opened_line = line;
        if (!refuse.empty()) return refuse;
        if (const auto it = refuse_path.find(path); it != refuse_path.end()) return it->second;
        open_ = true;
        ++open_count;
        return {};
    }
    void close() override { open_ = false; }
    bool is_open() const override { return open_; }
    void write(std::string_view bytes) override {
        written += bytes;
        writes.push_back({opened_path, std::string(bytes)});
        if (box) box(std::string(bytes));
    }
    std::size_t bytes_waiting() const override { return waiting.size(); }
    std::string read_all() override { return std::exchange(waiting, {}); }
    void discard_input() override { waiting.clear(); }
    void discard_output() override {}

    // The box sends these bytes.
    void arrive(std::string_view bytes) {
        waiting += bytes;
        if (on_arrival) on_arrival();
    }
    void lose(const std::string& why) {
        open_ = false;
        if (on_lost) on_lost(why);
    }

    std::string written;
    std::vector<std::pair<std::string, std::string>> writes;  // device path, bytes
    std::string waiting;
    std::string refuse;  // when set, open fails with this reason
    std::map<std::string, std::string> refuse_path;  // per device path
    // The box on the other end: sees every write (and may answer with arrive()).
    std::function<void(const std::string&)> box;
    std::string opened_path;
    platform::LineSettings opened_line;
    int open_count = 0;

private:
    bool open_ = false;
};

class TcpSocket : public platform::TcpSocket {
public:
    void connect_to(const std::string& h, std::uint16_t p) override {
        host = h;
        port = p;
        state_ = platform::SocketState::Connecting;
        ++connects;
    }
    void close() override { state_ = platform::SocketState::Closed; }
    platform::SocketState state() const override { return state_; }
    void send(std::string_view bytes) override {
        sent += bytes;
        if (box) box(std::string(bytes));
    }
    std::string read_all() override { return std::exchange(waiting, {}); }
    platform::SocketFailure failure() const override { return failure_kind; }

    void accept() {
        state_ = platform::SocketState::Connected;
        if (on_connected) on_connected();
    }
    void arrive(std::string_view bytes) {
        waiting += bytes;
        if (on_arrival) on_arrival();
    }
    void fail(const std::string& why) {
        state_ = platform::SocketState::Closed;
        if (on_error) on_error(why);
    }

    std::string host;
    std::uint16_t port = 0;
    platform::SocketFailure failure_kind = platform::SocketFailure::Other;
    std::string sent;
    std::string waiting;
    int connects = 0;
    std::function<void(const std::string&)> box;

private:
    platform::SocketState state_ = platform::SocketState::Closed;
};

struct Shown {
    std::string kind;  // "message", "question", "input", "open"
    std::string text;
    std::string title;
};

class Dialogs : public platform::Dialogs {
public:
    void message(const std::string& text, const std::string& title) override {
        shown.push_back({"message", text, title});
        if (during) during();
    }
    using platform::Dialogs::question;
    platform::Answer question(const std::string& text, const std::string& title,
                              platform::Answer default_answer) override {
        shown.push_back({"question", text, title});
        last_default = default_answer;
        if (during) during();
        return next(answers, platform::Answer::No);
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& title, int x,
                                     int y) override {
        shown.push_back({"input", prompt, title});
        last_input_at = {x, y};
        if (during) during();
        return next(inputs, {});
    }
    std::optional<std::string> open_file(const std::string& title, const std::string& filter,
                                         const std::string&) override {
        return next_file("open", title, filter);
    }
    std::optional<std::string> save_file(const std::string& title, const std::string& filter,
                                         const std::string&) override {
        return next_file("save", title, filter);
    }
    // The next scripted file answer (nullopt: cancelled), the dialog recorded.
    std::optional<std::string> next_file(const char* kind, const std::string& title,
                                         const std::string& filter) {
        shown.push_back({kind, filter, title});
        return next(files, {});
    }
    // The next scripted answer, or `none` when the script has run out.
    template <class T>
    static T next(std::deque<T>& script, T none) {
        if (script.empty()) return none;
        T v = script.front();
        script.pop_front();
        return v;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == "message") out.push_back(s.text);
        return out;
    }

    std::vector<Shown> shown;
    std::deque<platform::Answer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<std::string>> files;
    std::pair<int, int> last_input_at;
    platform::Answer last_default = platform::Answer::Yes;  // of the last question
    // Runs while a dialog is open, as events delivered by the platform's modal loop.
    std::function<void()> during;
};

class SettingsStore : public platform::SettingsStore {
public:
    using Key = std::tuple<std::string, std::string, std::string>;
    std::string read(const std::string& app, const std::string& section,
                     const std::string& key) override {
        return find_or(committed, Key{app, section, key}, std::string{});
    }
    void save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override {
        pending[{app, section, key}] = value;
    }
    bool commit() override {
        ++commits;
        if (fail_commit) return false;
        for (auto& [k, v] : pending) committed[k] = v;
        pending.clear();
        return true;
    }

    std::map<Key, std::string> committed;
    std::map<Key, std::string> pending;
    int commits = 0;
    bool fail_commit = false;
};

class SoundPlayer : public platform::SoundPlayer {
public:
    void set_file(const std::string& file) override { log.push_back("file " + file); }
    void open() override { log.push_back("open"); }
    void play() override { log.push_back("play"); }
    void stop() override { log.push_back("stop"); }
    void close() override { log.push_back("close"); }
    void beep() override { log.push_back("beep"); }

    std::vector<std::string> log;
};

class PortDirectory : public platform::PortDirectory {
public:
    bool exists(int n) override { return ports.count(n) != 0; }
    std::string device_path(int n) override { return find_or(ports, n, std::string{}); }
    std::string describe(int n) override { return find_or(descriptions, n, device_path(n)); }
    std::vector<std::string> holders(int n) override {
        return find_or(held, n, std::vector<std::string>{});
    }
    std::vector<std::string> grabbers() override { return grabbing; }
    platform::AdapterLatency latency(int n) override {
        return find_or(latencies, n, platform::AdapterLatency{});
    }
    std::map<int, std::string> ports;
    std::map<int, std::string> descriptions;
    std::map<int, std::vector<std::string>> held;
    std::vector<std::string> grabbing;
    std::map<int, platform::AdapterLatency> latencies;
};

class FileReader : public platform::FileReader {
public:
    std::optional<std::string> read(const std::string& path, std::string& error) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            error = "no such file";
            return std::nullopt;
        }
        return it->second;
    }
    std::map<std::string, std::string> files;
};

}  // namespace orv::fake
