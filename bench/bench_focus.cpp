// Focus ticks counted while FOCUS is held for 10 s (nominal 1000 at 10 ms), with nothing else to
// do, and while a programming run is on in the same process. The programming run belongs to a
// second instance of the program in the same process and on the same event loop, on a box of its
// own: in one instance the focus commands would go into the boot loader's byte stream.
//
// Usage: bench_focus [--repeat N] [--no-windows]

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "harness.h"
#include "stats.h"
#include "wire.h"

namespace {

using namespace orv::bench;

constexpr int kHoldMs = 10000;
constexpr double kNominal = kHoldMs / 10.0;

long long position(BenchProgram& p) { return std::atoll(p.main().focus_position.text().c_str()); }

// Holds FOCUS (+) for 10 s on a precise timer; the ticks counted and the time actually held.
std::pair<long long, double> hold_focus(BenchProgram& p) {
    const long long before = position(p);
    bool released = false;
    QTimer release;
    release.setTimerType(Qt::PreciseTimer);
    release.setSingleShot(true);
    const auto start = Steady::now();
    auto end = start;
    QObject::connect(&release, &QTimer::timeout, [&] {
        p.main().focus_up.release();
        end = Steady::now();
        released = true;
    });
    p.main().focus_up.press();
    release.start(kHoldMs);
    wait_until([&] { return released; }, kHoldMs + 5000);
    return {position(p) - before, ms_between(start, end)};
}

void report(const std::string& what, long long ticks, double held_ms, const std::string& note = {}) {
    std::printf("focus %s: %lld ticks in %.1f ms held = %.1f%% of nominal %.0f%s\n", what.c_str(), ticks,
                held_ms, 100.0 * static_cast<double>(ticks) / kNominal, kNominal, note.c_str());
    std::fflush(stdout);
}

void during_programming(bool windows, int baud, bool line, int repeat) {
    const std::string what = "during programming (" + std::string(line ? "pty+line " : "pty ") +
                             std::to_string(baud) + ")";
    const FirmwareFile firmware(11);
    for (int r = 0; r < repeat; ++r) {
        BoxSim flash_box({"--box", "gen2", "--baud", QString::number(baud)});
        BoxSim focus_box({"--box", "gen2"});
        std::unique_ptr<Wire> wire;
        std::string device = flash_box.pty();
        if (line) {
            wire = std::make_unique<Wire>(flash_box.pty(), baud);
            device = wire->path();
        }
        BenchProgram flasher("COM3=" + device, windows);
        BenchProgram focuser("COM4=" + focus_box.pty(), windows);
        if (!flasher.connect_serial("COM3", std::to_string(baud)) || !focuser.connect_serial("COM4", "9600") ||
            !load_firmware(flasher, firmware) || !boot_up(flasher)) {
            std::printf("focus %s: could not set up\n", what.c_str());
            return;
        }
        flasher.dialogs.shown.clear();
        const auto start = Steady::now();
        flasher.program->firmware.program_button.click();
        const auto [ticks, held] = hold_focus(focuser);
        const bool still_running = flasher.program->programmer.running();
        wait_until([&] { return !flasher.program->programmer.running(); }, 120000);
        const double run_s = ms_between(start, Steady::now()) / 1000.0;
        const auto m = flasher.dialogs.messages();
        const bool ok = m.size() == 1 && m[0] == orv::firmware::kCompleted;
        char note[160];
        std::snprintf(note, sizeof note, " (programming run %.1f s, %s, %s the whole hold)", run_s,
                      ok ? "verified" : "FAILED", still_running ? "on for" : "NOT on for");
        report(what, ticks, held, note);
    }
}

}  // namespace

int main(int argc, char** argv) {
    prefer_offscreen();
    QApplication app(argc, argv);
    const bool windows = windows_wanted(argc, argv);
    int repeat = 2;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[i + 1]));
    print_machine("bench_focus", windows);

    {
        BoxSim box({"--box", "gen2"});
        BenchProgram p("COM3=" + box.pty(), windows);
        if (!p.connect_serial("COM3", "9600")) {
            std::printf("focus idle: not identified\n");
            return 1;
        }
        for (int r = 0; r < repeat; ++r) {
            const auto [ticks, held] = hold_focus(p);
            report("idle", ticks, held);
        }
    }
    during_programming(windows, 38400, true, repeat);
    during_programming(windows, 9600, false, repeat);
    return 0;
}
