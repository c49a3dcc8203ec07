#include "harness.h"

#include <QFile>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <thread>

#include "firmware/firmware_loader.h"
#include "firmware/hex_image.h"

namespace orv::bench {

void prefer_offscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool windows_wanted(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-windows") == 0) return false;
    return true;
}

namespace {

std::string first_line_of(const char* path, const char* key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (key == nullptr || line.rfind(key, 0) == 0) return line;
    return {};
}

}  // namespace

void print_machine(const char* bench, bool windows) {
    std::string cpu = first_line_of("/proc/cpuinfo", "model name");
    if (const auto colon = cpu.find(": "); colon != std::string::npos) cpu = cpu.substr(colon + 2);
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&now));
    std::printf("# %s: %s; nproc %u; cpu %s; loadavg %s; Qt %s; windows %s\n", bench, date,
                std::thread::hardware_concurrency(), cpu.c_str(),
                first_line_of("/proc/loadavg", nullptr).c_str(), qVersion(),
                windows ? "on (offscreen)" : "off");
    std::fflush(stdout);
}

void BlockTiming::arrived() {
    if (armed && !ack_in) ack_in = Steady::now();
}

void BlockTiming::wrote(std::string_view bytes) {
    const auto now = Steady::now();
    if (!armed) return;
    if (bytes.size() == firmware::kBlockSize && ack_in) turnaround_ms.push_back(ms_between(*ack_in, now));
    ack_in.reset();
    writes.emplace_back(now, std::string(bytes));
}

void BlockTiming::reset() {
    ack_in.reset();
    turnaround_ms.clear();
    writes.clear();
}

TimedSerial::TimedSerial() {
    real_.on_arrival = [this] {
        timing.arrived();
        if (on_arrival) on_arrival();
    };
    real_.on_lost = [this](const std::string& why) {
        if (on_lost) on_lost(why);
    };
}

TimedSocket::TimedSocket() {
    real_.on_connected = [this] {
        if (on_connected) on_connected();
    };
    real_.on_arrival = [this] {
        timing.arrived();
        if (on_arrival) on_arrival();
    };
    real_.on_error = [this](const std::string& why) {
        if (on_error) on_error(why);
    };
}

BenchProgram::BenchProgram(const std::string& pins, bool windows)
    : BasicLiveProgram(pins, /*start=*/false) {
    if (windows) {
        settings_view = std::make_unique<app::PortSettingsView>(*program);
        firmware_view = std::make_unique<app::FirmwareView>(*program);
        main_view = std::make_unique<app::MainView>(*program);
    }
    if (const QString dir = qEnvironmentVariable("ORV_TRAFFIC_DIR"); !dir.isEmpty()) {
        traffic_files = std::make_unique<link::TrafficFiles>(dir.toStdString(), "bench");
        program->traffic.write_line = [this](const std::string& line) {
            traffic_files->write(line);
        };
    }
    program->start();
}

bool BenchProgram::connect_serial(const std::string& com, const std::string& baud, int timeout_ms) {
    program->settings.baud_box.set_text(baud);
    return connect_and_identify(com, timeout_ms);
}

FirmwareFile::FirmwareFile(std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> image(firmware::kImageSize);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng() & 0xFF);
    static const char* digits = "0123456789ABCDEF";
    auto hex2 = [&](unsigned v) {
        text += digits[(v >> 4) & 15];
        text += digits[v & 15];
    };
    for (std::size_t at = 0; at < image.size(); at += 16) {
        unsigned sum = 16u + static_cast<unsigned>(((at >> 8) & 0xFF) + (at & 0xFF));
        text += ':';
        hex2(16);
        hex2(static_cast<unsigned>((at >> 8) & 0xFF));
        hex2(static_cast<unsigned>(at & 0xFF));
        hex2(0);
        for (std::size_t i = 0; i < 16; ++i) {
            hex2(image[at + i]);
            sum += image[at + i];
        }
        hex2((0x100 - (sum & 0xFF)) & 0xFF);
        text += "\r\n";
    }
    text += ":00000001FF\r\n";
    path = dir.filePath("firmware.hex").toStdString();
    QFile f(QString::fromStdString(path));
    if (f.open(QIODevice::WriteOnly)) f.write(text.data(), static_cast<qint64>(text.size()));
}

bool load_firmware(BenchProgram& p, const FirmwareFile& file) {
    auto& w = p.program->firmware;
    p.main().password_box.set_text(firmware::kPassword);
    p.main().firmware_upload.click();
    p.dialogs.files.push_back(file.path);
    p.dialogs.inputs.push_back(std::to_string(firmware::confirmation_sum(file.text)));
    w.browse.click();
    return w.boot_up.enabled();
}

bool boot_up(BenchProgram& p, int timeout_ms) {
    auto& w = p.program->firmware;
    w.boot_up.click();
    return wait_until([&] { return w.program_button.enabled(); }, timeout_ms);
}

StallProbe::StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        const auto now = Steady::now();
        if (last_) {
            gaps_.push_back(ms_between(*last_, now));
            at_.push_back(now);
        }
        last_ = now;
    });
}

void StallProbe::start() {
    last_.reset();
    gaps_.clear();
    at_.clear();
    timer_.start();
}

void StallProbe::stop() { timer_.stop(); }

std::vector<double> StallProbe::take() {
    std::vector<double> out;
    out.swap(gaps_);
    taken_at_.clear();
    taken_at_.swap(at_);
    return out;
}

std::vector<BoxLine> parse_box_log(const std::string& log) {
    std::vector<BoxLine> out;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        const auto s1 = line.find(' ');
        if (s1 == std::string::npos) continue;
        const auto s2 = line.find(' ', s1 + 1);
        if (s2 == std::string::npos) continue;
        BoxLine l;
        l.ms = std::strtod(line.c_str(), nullptr);
        l.side = line.substr(s1 + 1, s2 - s1 - 1);
        const auto s3 = line.find(' ', s2 + 1);
        l.kind = line.substr(s2 + 1, s3 == std::string::npos ? std::string::npos : s3 - s2 - 1);
        if (s3 != std::string::npos) l.rest = line.substr(s3 + 1);
        out.push_back(std::move(l));
    }
    return out;
}

BoxBlockTimes box_block_times(const std::vector<BoxLine>& lines, const std::string& side) {
    // Times in ms; kNone while the event has not happened.
    constexpr double kNone = -1.0;
    BoxBlockTimes out;
    double message_start = kNone;  // first RX since the last CMD or TX
    double block_done = kNone;     // a block in, its acknowledgement not yet out
    double ack_out = kNone;        // an acknowledgement out, the next RX not yet in
    double candidate = kNone;      // that turnaround, until its CMD shows it was a block
    bool reading_back = false;
    for (const BoxLine& l : lines) {
        if (l.side != side) continue;
        if (l.kind == "RX") {
            if (message_start == kNone) message_start = l.ms;
            if (ack_out != kNone) {
                candidate = l.ms - ack_out;
                ack_out = kNone;
            }
        } else if (l.kind == "CMD") {
            if (l.rest.rfind("block ", 0) == 0) {
                if (l.rest == "block 0") {
                    out.first_block_in_ms = message_start != kNone ? message_start : l.ms;
                    out.turnaround_ms.clear();
                    out.ack_latency_ms.clear();
                } else if (candidate != kNone) {
                    out.turnaround_ms.push_back(candidate);
                }
                block_done = l.ms;
            } else if (l.rest == "A") {
                reading_back = true;
                out.readback_request_ms = l.ms;
            }
            candidate = kNone;
            message_start = kNone;
        } else if (l.kind == "TX") {
            if (block_done != kNone) {
                out.ack_latency_ms.push_back(l.ms - block_done);
                out.last_ack_out_ms = l.ms;
                ack_out = l.ms;
                block_done = kNone;
            } else if (reading_back) {
                out.readback_last_out_ms = l.ms;
            }
            message_start = kNone;
        }
    }
    return out;
}

}  // namespace orv::bench
