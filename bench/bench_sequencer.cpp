// The exposure sequencer's shutter edges against its schedule over a 30 s run (exposure 2 s,
// gap 1 s, 10 exposures), from the times the simulated box logged each "#XP1#" and "#XP0#".
// The schedule is counted from the first ON: ON at k x 3 s, OFF 2 s later, and after the tenth
// exposure the run's last ON and OFF together at 30 s.
//
// Usage: bench_sequencer [--exposure S] [--gap S] [--count N] [--repeat N] [--no-windows]

#include <QApplication>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "stats.h"

namespace {

using namespace orv::bench;

struct Edge {
    double ms;
    bool on;
};

std::vector<Edge> schedule(int exposure, int gap, int count) {
    std::vector<Edge> out;
    const double cycle = 1000.0 * (exposure + gap);
    for (int k = 0; k < count; ++k) {
        out.push_back({k * cycle, true});
        out.push_back({k * cycle + 1000.0 * exposure, false});
    }
    out.push_back({count * cycle, true});
    out.push_back({count * cycle, false});
    return out;
}

void compare(const char* where, const std::vector<Edge>& got, const std::vector<Edge>& want) {
    if (got.size() != want.size()) {
        std::printf("sequencer %s: %zu edges, %zu expected\n", where, got.size(), want.size());
        return;
    }
    std::vector<double> dev;
    std::vector<double> abs_dev;
    std::string order_ok = "in order";
    std::string list;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i].on != want[i].on) order_ok = "OUT OF ORDER";
        const double d = (got[i].ms - got[0].ms) - want[i].ms;
        dev.push_back(d);
        abs_dev.push_back(std::fabs(d));
        char item[32];
        std::snprintf(item, sizeof item, "%s%+.1f", i ? " " : "", d);
        list += item;
    }
    std::printf("sequencer %s: %zu edges %s; deviation from schedule max %.2f ms, mean %.2f ms "
                "(signed mean %+.2f ms, last edge %+.2f ms)\n",
                where, got.size(), order_ok.c_str(), maximum(abs_dev), mean(abs_dev), mean(dev),
                dev.back());
    std::printf("  per edge (ms): %s\n", list.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    prefer_offscreen();
    QApplication app(argc, argv);
    const bool windows = windows_wanted(argc, argv);
    int exposure = 2, gap = 1, count = 10, repeat = 1;
    for (int i = 1; i + 1 < argc; ++i) {
        const int v = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--exposure") == 0) exposure = v;
        if (std::strcmp(argv[i], "--gap") == 0) gap = v;
        if (std::strcmp(argv[i], "--count") == 0) count = v;
        if (std::strcmp(argv[i], "--repeat") == 0) repeat = v;
    }
    print_machine("bench_sequencer", windows);
    const auto want = schedule(exposure, gap, count);
    const int run_ms = (exposure + gap) * count * 1000;

    for (int r = 0; r < repeat; ++r) {
        BoxSim box({"--box", "gen2", "--baud", "9600"});
        BenchProgram p("COM3=" + box.pty(), windows);
        if (!p.connect_serial("COM3", "9600")) {
            std::printf("sequencer: not identified\n");
            return 1;
        }
        p.dialogs.shown.clear();
        auto& m = p.main();
        m.exposure_secs.set_text(std::to_string(exposure));
        m.exposure_gap.set_text(std::to_string(gap));
        m.exposure_count.set_text(std::to_string(count));
        p.serial.timing.reset();
        p.serial.timing.armed = true;
        m.auto_shutter.click();
        wait_until([&] { return m.auto_shutter.caption() == "Auto Shutter START"; },
                   run_ms + 10000);
        p.serial.timing.armed = false;
        wait_until([] { return false; }, 200);  // the last command reaches the box's log

        std::vector<Edge> at_box;
        for (const auto& [ms, text] : box.commands()) {
            if (text == "#XP1#") at_box.push_back({ms, true});
            if (text == "#XP0#") at_box.push_back({ms, false});
        }
        std::vector<Edge> at_program;
        for (const auto& [when, bytes] : p.serial.timing.writes) {
            if (bytes == "#XP1#" || bytes == "#XP0#")
                at_program.push_back({ms_between(p.serial.timing.writes.front().first, when), bytes == "#XP1#"});
        }
        char title[96];
        std::snprintf(title, sizeof title, "E=%d G=%d N=%d, box timestamps", exposure, gap, count);
        compare(title, at_box, want);
        std::snprintf(title, sizeof title, "E=%d G=%d N=%d, program's write times", exposure, gap, count);
        compare(title, at_program, want);
        if (!p.dialogs.messages().empty()) std::printf("  message: %s\n", p.dialogs.messages()[0].c_str());
    }
    return 0;
}
