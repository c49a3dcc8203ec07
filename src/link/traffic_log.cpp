#include "link/traffic_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

namespace orv::link {

namespace {

namespace fs = std::filesystem;

std::string hex2(unsigned char c) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[c >> 4], digits[c & 15]};
}

// "128 bytes: 3A 10 00 00 ... sum 1F2C", for a firmware block or a long read-back piece.
std::string summary(std::string_view bytes) {
    unsigned sum = 0;
    for (unsigned char c : bytes) sum += c;
    std::string text = std::to_string(bytes.size()) + " bytes:";
    for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i)
        (text += ' ') += hex2(static_cast<unsigned char>(bytes[i]));
    char tail[32];
    std::snprintf(tail, sizeof tail, " ... sum %04X", sum & 0xFFFFu);
    return text + tail;
}

}  // namespace

std::string local_wall_clock() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(ms));
    return text;
}

std::string shown_bytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '<')
            out += ch;
        else
            ((out += '<') += hex2(c)) += '>';  // appended in place: no temporaries
    }
    return out;
}

std::string traffic_line(const TrafficEntry& e) {
    const char* arrow = e.kind == TrafficEntry::Kind::Sent       ? ">"
                        : e.kind == TrafficEntry::Kind::Received ? "<"
                                                                 : "-";
    char head[48];
    std::snprintf(head, sizeof head, "%9s ms  ", ("+" + std::to_string(e.ms)).c_str());
    return head + e.wall + "  " + e.transport + "  " + arrow + "  " + e.text;
}

TrafficFiles::TrafficFiles(std::string folder, std::string stamp) : folder_(std::move(folder)) {
    if (!folder_.empty()) path_ = folder_ + "/traffic-" + stamp + ".log";
}

void TrafficFiles::open() {
    opened_ = true;
    if (path_.empty()) return;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    // The oldest sessions go, so that this one and the newest before it are kept.
    std::vector<fs::path> old;
    for (const auto& entry : fs::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("traffic-", 0) == 0 && entry.path().extension() == ".log")
            old.push_back(entry.path());
    }
    std::sort(old.begin(), old.end());  // the names sort by their time stamps
    while (old.size() >= static_cast<std::size_t>(kKeepFiles)) {
        fs::remove(old.front(), ec);
        old.erase(old.begin());
    }
    out_.open(path_, std::ios::app);
}

void TrafficFiles::write(const std::string& line) {
    if (!opened_) open();
    if (!out_ || cut_) return;
    if (written_ + line.size() + 1 > kMaxFileBytes) {
        cut_ = true;
        out_ << "(the rest of this session is not kept: the file reached "
             << kMaxFileBytes / (1 << 20) << " MiB)\n";
        out_.flush();
        return;
    }
    out_ << line << '\n';
    out_.flush();
    written_ += line.size() + 1;
}

TrafficLog::TrafficLog(platform::Clock& clock, std::function<std::string()> wall_clock)
    : clock_(clock), wall_clock_(std::move(wall_clock)) {}

void TrafficLog::attach(Transport& transport) {
    transport.on_traffic = [this](Flow flow, std::string_view bytes) { add(flow, bytes); };
}

void TrafficLog::add(Flow flow, std::string_view bytes) {
    TrafficEntry e;
    if (flow == Flow::Opened) {
        opened_at_ = clock_.now_ms();
        transport_ = bytes.rfind("TCP", 0) == 0 ? "TCP" : "serial";
    }
    e.ms = clock_.now_ms() - opened_at_;
    e.wall = wall_clock_ ? wall_clock_() : std::string();
    e.transport = transport_;
    switch (flow) {
        case Flow::Opened:
            e.text = "opened " + std::string(bytes);
            break;
        case Flow::Closed:
            e.text = "closed";
            break;
        case Flow::Sent:
        case Flow::Received:
            e.kind = flow == Flow::Sent ? TrafficEntry::Kind::Sent : TrafficEntry::Kind::Received;
            e.text = bytes.size() > kTrafficSummaryOver ? summary(bytes) : shown_bytes(bytes);
            break;
    }
    entries_.push_back(std::move(e));
    if (entries_.size() > kKeepEntries) entries_.pop_front();
    const TrafficEntry& added_entry = entries_.back();
    if (write_line) write_line(traffic_line(added_entry));
    added.fire(added_entry);
}

TrafficWindow::TrafficWindow(TrafficLog& log, platform::Dialogs& dialogs)
    : ui::Window("Traffic"), log_(log), dialogs_(dialogs) {
    lines.set_accessible_name("Traffic");
    pause.set_caption("Pause");
    pause.set_accessible_name("Pause");
    direction_label.set_caption("Show");
    direction_label.set_accessible_name("Show");
    direction.set_accessible_name("Show");
    for (const char* d : {"Both", "Sent", "Received"}) direction.add_item(d);
    direction.set_text("Both");
    direction.set_choice_only(true);
    copy.set_caption("Copy");
    copy.set_accessible_name("Copy");
    save.set_caption("Save...");
    save.set_accessible_name("Save...");
    close_button.set_caption("Close");
    close_button.set_accessible_name("Close");

    // Lines are made only while the window is shown; opening it shows what is kept.
    log_.added.connect([this](const TrafficEntry& e) {
        if (!visible() || pause.checked() || !passes(e)) return;
        lines.add_item(traffic_line(e));
        // The oldest lines go a hundred at a time, so the window stays light.
        if (lines.items().size() > TrafficLog::kKeepEntries + 100) lines.drop_front(100);
    });
    updated.connect([this] {
        if (visible() && !shown_) refill();
        shown_ = visible();
    });
    // Leaving the pause shows what came meanwhile; a new filter shows what it lets through.
    pause.changed.connect([this] {
        if (!pause.checked()) refill();
    });
    direction.changed.connect([this] { refill(); });
    copy.clicked.connect([this] { copied.fire(text()); });
    save.clicked.connect([this] {
        const auto path =
            dialogs_.save_file("Save the traffic log", "Log (*.log)|*.log", "orvantis-traffic.log");
        if (!path) return;
        const std::string why = save_to(*path);
        if (!why.empty()) dialogs_.message(why, "");
    });
    close_button.clicked.connect([this] { hide(); });
}

bool TrafficWindow::passes(const TrafficEntry& e) const {
    if (e.kind == TrafficEntry::Kind::Event) return true;
    if (direction.text() == "Sent") return e.kind == TrafficEntry::Kind::Sent;
    if (direction.text() == "Received") return e.kind == TrafficEntry::Kind::Received;
    return true;
}

void TrafficWindow::refill() {
    lines.clear_items();
    for (const auto& e : log_.entries())
        if (passes(e)) lines.add_item(traffic_line(e));
}

std::string TrafficWindow::text() const {
    std::string out;
    for (const auto& line : lines.items()) out += line + "\n";
    return out;
}

std::string TrafficWindow::save_to(const std::string& path) const {
    std::ofstream out(path, std::ios::trunc);
    for (const auto& e : log_.entries())
        if (passes(e)) out << traffic_line(e) << '\n';
    out.flush();
    if (!out) return "The traffic log could not be saved to " + path + ". Choose another folder.";
    return {};
}

}  // namespace orv::link
