// The longest time the event loop goes without turning while the program talks to the box: a
// 1 ms precise probe timer in the same process records the largest gap between its ticks during
// identification, settings read and write, loading a firmware file, and programming; and, for
// comparison, with no program at all and with the program started and idle. The simulated box
// paces its bytes at 9600 baud (57600 for programming).
//
// --night switches every program on to night mode (red on black, the brightest level) before it
// is measured; the traffic log also goes to files with ORV_TRAFFIC_DIR set (see harness.h).
//
// Usage: bench_stall [--repeat N] [--idle-ms MS] [--only link|programming] [--detail] [--night]
//                    [--no-windows]

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "stats.h"

namespace {

using namespace orv::bench;

void report(const char* what, int runs, const std::vector<double>& gaps) {
    std::printf("stall %s: longest %.2f ms; p99.9 gap %.2f ms; gaps over 5 ms: %zu, over 20 ms: %zu "
                "(%d runs, %zu ticks of a 1 ms probe)\n",
                what, maximum(gaps), percentile(gaps, 99.9), count_above(gaps, 5.0),
                count_above(gaps, 20.0), runs, gaps.size());
    std::fflush(stdout);
}

// Runs `step` `runs` times with the probe on; the gaps seen while the steps ran.
std::vector<double> measure(StallProbe& probe, int runs, const std::function<bool()>& step,
                            const std::function<void()>& between = {}) {
    std::vector<double> all;
    for (int i = 0; i < runs; ++i) {
        if (between) between();
        wait_until([] { return false; }, 20);  // let the loop settle
        probe.take();
        const bool ok = step();
        // A step that ends in one long handler shows as a gap at the probe's next tick.
        wait_until([] { return false; }, 3);
        const auto gaps = probe.take();
        all.insert(all.end(), gaps.begin(), gaps.end());
        if (!ok) {
            std::printf("  (run %d did not complete)\n", i + 1);
            break;
        }
    }
    return all;
}

// Write Settings with six values, `repeat` times, each until its last acknowledgement.
std::vector<double> measure_settings_write(StallProbe& probe, int repeat, BenchProgram& p) {
    const char* values[6] = {"300", "35", "40000", "0", "65535", "8995"};
    return measure(probe, repeat, [&] {
        for (int k = 0; k < 6; ++k) p.main().time_boxes[k].set_text(values[k]);
        p.main().write_settings.click();
        return wait_until([&] { return !p.program->settings_write.running(); }, 8000);
    });
}

// Night mode as the user switches it on: the check box, which the main window follows. The
// first program dressed prints the colours it got, which shows the mode took.
bool night = false;
void dress(BenchProgram& p) {
    if (!night) return;
    p.main().night_mode.set_value(1);
    static bool told = false;
    if (!std::exchange(told, true))
        std::printf("# night mode: window %s, text %s\n",
                    qPrintable(QApplication::palette().color(QPalette::Window).name()),
                    qPrintable(QApplication::palette().color(QPalette::WindowText).name()));
}

bool disconnect(BenchProgram& p) {
    if (p.main().connect_button.caption() != "CONNECT") p.main().connect_button.click();
    return wait_until([&] { return p.main().connect_button.caption() == "CONNECT"; }, 2000);
}

}  // namespace

int main(int argc, char** argv) {
    prefer_offscreen();
    QApplication app(argc, argv);
    const bool windows = windows_wanted(argc, argv);
    int repeat = 10;
    bool detail = false;
    int idle_ms = 3000;
    std::string only;  // "link" or "programming": only those phases (after the idle baseline)
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--detail") == 0) detail = true;
        if (std::strcmp(argv[i], "--night") == 0) night = true;
        if (i + 1 < argc && std::strcmp(argv[i], "--idle-ms") == 0) idle_ms = std::max(100, std::atoi(argv[i + 1]));
        if (i + 1 < argc && std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[i + 1]));
    print_machine("bench_stall", windows);
    if (night && !windows) std::printf("# --night without windows: nothing to show in red\n");
    if (!qEnvironmentVariable("ORV_TRAFFIC_DIR").isEmpty()) std::printf("# traffic log to files\n");

    StallProbe probe;
    probe.start();

    {
        // The machine itself: the probe alone, before any program exists.
        const auto gaps = measure(probe, 1, [&] {
            wait_until([] { return false; }, idle_ms);
            return true;
        });
        const std::string what = "bare event loop (no program, " + std::to_string(idle_ms) + " ms)";
        report(what.c_str(), 1, gaps);
    }
    {
        BenchProgram p("", windows);
        dress(p);
        const auto gaps = measure(probe, 1, [&] {
            wait_until([] { return false; }, idle_ms);
            return true;
        });
        const std::string what = "idle (program started, nothing to do, " + std::to_string(idle_ms) + " ms)";
        report(what.c_str(), 1, gaps);
        if (detail) {
            std::printf("  gaps over 5 ms (ms into the idle time: gap):");
            const auto from = probe.taken_at().empty() ? Steady::now() : probe.taken_at().front();
            for (std::size_t i = 0; i < gaps.size(); ++i)
                if (gaps[i] > 5.0) std::printf(" %.0f:%.1f", ms_between(from, probe.taken_at()[i]), gaps[i]);
            std::printf("\n");
        }
    }

    if (only.empty() || only == "link") {
        BoxSim box({"--box", "gen2", "--baud", "9600"});
        BenchProgram p("COM3=" + box.pty(), windows);
        dress(p);
        auto gaps = measure(
            probe, repeat, [&] { return p.connect_serial("COM3", "9600"); }, [&] { disconnect(p); });
        report("identification pty 9600 (CONNECT -> box identified)", repeat, gaps);

        p.dialogs.shown.clear();  // "Orvantis found on COM3"
        p.main().read_settings.click();  // read once so that the time boxes are enabled
        wait_until([&] { return !p.program->read_timer->active(); }, 3000);
        gaps = measure(probe, repeat, [&] {
            p.main().read_settings.click();
            return wait_until([&] { return !p.program->read_timer->active(); }, 5000);
        });
        report("settings read pty 9600 (Read Settings -> boxes filled)", repeat, gaps);

        gaps = measure_settings_write(probe, repeat, p);
        report("settings write pty 9600 (Write Settings -> last acknowledgement)", repeat, gaps);
        if (!p.dialogs.messages().empty())
            std::printf("  messages: %s\n", p.dialogs.messages().back().c_str());
    }

    if (only.empty() || only == "link") {
        BoxSim box({"--box", "gen2", "--baud", "9600"});
        Ser2net gateway(box.pty(), 9600, true);
        BenchProgram p("", windows);
        dress(p);
        auto gaps = measure(
            probe, repeat, [&] { return p.connect_tcp(gateway.port()); }, [&] { disconnect(p); });
        report("identification ser2net 9600 (CONNECT -> box identified)", repeat, gaps);
        p.main().read_settings.click();
        wait_until([&] { return !p.program->read_timer->active(); }, 3000);
        gaps = measure_settings_write(probe, repeat, p);
        report("settings write ser2net 9600 (Write Settings -> last acknowledgement)", repeat, gaps);
    }

    const FirmwareFile firmware(7);
    for (const bool through_gateway : {false, true}) {
        if (!only.empty() && only != "programming") break;
        std::vector<double> load_gaps;
        std::vector<double> program_gaps;
        const int runs = std::max(1, repeat / 3);
        for (int r = 0; r < runs; ++r) {
            BoxSim box({"--box", "gen2", "--baud", "57600"});
            std::unique_ptr<Ser2net> gateway;
            if (through_gateway) gateway = std::make_unique<Ser2net>(box.pty(), 57600, true);
            BenchProgram p(through_gateway ? "" : "COM3=" + box.pty(), windows);
            dress(p);
            const bool up = through_gateway ? p.connect_tcp(gateway->port()) : p.connect_serial("COM3", "57600");
            if (!up) {
                std::printf("  (not identified)\n");
                break;
            }
            auto gaps = measure(probe, 1, [&] { return load_firmware(p, firmware); });
            load_gaps.insert(load_gaps.end(), gaps.begin(), gaps.end());
            if (!boot_up(p)) break;
            const auto clicked = Steady::now();
            gaps = measure(probe, 1, [&] {
                p.program->firmware.program_button.click();
                return wait_until([&] { return !p.program->programmer.running(); }, 60000);
            });
            if (detail) {
                std::printf("  run %d, gaps over 5 ms (ms after PROGRAM: gap):", r + 1);
                for (std::size_t i = 0; i < gaps.size(); ++i)
                    if (gaps[i] > 5.0)
                        std::printf(" %.0f:%.1f", ms_between(clicked, probe.taken_at()[i]), gaps[i]);
                std::printf("\n");
            }
            program_gaps.insert(program_gaps.end(), gaps.begin(), gaps.end());
            const auto m = p.dialogs.messages();
            if (m.empty() || m.back() != orv::firmware::kCompleted)
                std::printf("  programming did not succeed: %s\n", m.empty() ? "no message" : m.back().c_str());
        }
        report("firmware file load (Browse + confirmation, 28,672-byte image)", runs, load_gaps);
        report(through_gateway ? "programming ser2net 57600 (PROGRAM -> done)"
                               : "programming pty 57600 (PROGRAM -> verified)",
               runs, program_gaps);
    }
    probe.stop();
    return 0;
}
