// Programming (upload and verify) against the simulated box pacing its bytes at a baud rate: the
// total time against the wire floor, and the turnaround per block from the box's acknowledgement
// to the next block, over a pseudo-terminal and over TCP through ser2net.
//
// Setups:
//   pty           the program on the box's pseudo-terminal; the box paces what it sends, the
//                 program's blocks reach the box at once (a pseudo-terminal has no baud rate)
//   pty+line      the same through a modelled line that also paces the program's bytes, so the
//                 total can be held against the wire floor both ways
//   ser2net       the program over TCP to ser2net in front of the box's pseudo-terminal
//   ser2net+line  ser2net in front of the modelled line
//   ser2net(chardelay off)  the same with ser2net's character delay switched off
//   pty unpaced   nothing paced: what the program and the box can do on their own
// and then ser2net alone (no program, no box): how long it holds a byte on its way to TCP.
//
// Usage: bench_programming [--only TEXT] [--runs N] [--no-windows]

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "firmware/hex_image.h"
#include "firmware/programmer.h"
#include "harness.h"
#include "stats.h"
#include "wire.h"

namespace {

using namespace orv::bench;

// "pty 57600", "pty unpaced".
std::string title_of(const std::string& name, int baud) {
    std::string out = name;
    if (baud > 0) {
        out += ' ';
        out += std::to_string(baud);
    }
    return out;
}
using orv::firmware::kBlockSize;
using orv::firmware::kImageSize;

struct Case {
    std::string name;
    int baud;  // 0: the box does not pace
    bool line;
    bool gateway;
    bool chardelay = true;  // ser2net's default
};

constexpr double kBlocks = static_cast<double>(kImageSize / kBlockSize);

double wire_seconds(double bytes, int baud) { return baud > 0 ? bytes * 10.0 / baud : 0.0; }

bool run_case(const Case& c, bool windows, const FirmwareFile& firmware) {
    const std::string title = "programming " + title_of(c.name, c.baud);
    QStringList options{"--box", "gen2"};
    if (c.baud > 0) options << "--baud" << QString::number(c.baud);
    BoxSim box(options);
    if (box.pty().empty()) {
        std::printf("%s: the simulated box did not start\n", title.c_str());
        return false;
    }
    std::unique_ptr<Wire> line;
    std::string device = box.pty();
    if (c.line) {
        line = std::make_unique<Wire>(box.pty(), c.baud);
        if (!line->ok()) {
            std::printf("%s: %s\n", title.c_str(), line->error().c_str());
            return false;
        }
        device = line->path();
    }
    std::unique_ptr<Ser2net> gateway;
    if (c.gateway) {
        gateway = std::make_unique<Ser2net>(device, c.baud > 0 ? c.baud : 57600, c.chardelay);
        if (!gateway->available()) {
            std::printf("%s: ser2net did not start\n", title.c_str());
            return false;
        }
    }
    BenchProgram p(c.gateway ? "" : "COM3=" + device, windows);
    const std::string baud_text = std::to_string(c.baud > 0 ? c.baud : 57600);
    const bool connected = c.gateway ? p.connect_tcp(gateway->port()) : p.connect_serial("COM3", baud_text);
    if (!connected) {
        std::printf("%s: not identified\n", title.c_str());
        return false;
    }
    if (!load_firmware(p, firmware) || !boot_up(p)) {
        std::printf("%s: the firmware window did not get to PROGRAM\n", title.c_str());
        return false;
    }
    p.dialogs.shown.clear();
    BlockTiming& timing = c.gateway ? p.socket.timing : p.serial.timing;
    timing.reset();
    timing.armed = true;

    const auto start = Steady::now();
    p.program->firmware.program_button.click();
    const bool ended = wait_until([&] { return !p.program->programmer.running(); }, 180000);
    const auto end = Steady::now();
    timing.armed = false;
    const double total = ms_between(start, end) / 1000.0;
    const auto messages = p.dialogs.messages();
    const bool succeeded = ended && messages.size() == 1 && messages[0] == orv::firmware::kCompleted;
    if (c.gateway) wait_until([&] { return box.log().find("CMD AAAA") != std::string::npos; }, 3000);

    // What the box saw.
    const auto lines = parse_box_log(box.log());
    const BoxBlockTimes at_box = box_block_times(lines, "pty");
    const bool reads_back = !c.gateway;

    // The wire floor as the issue counts it: the image each way at 10 bits a byte (one way
    // through the gateway, where nothing is read back); and the wire time of every byte this
    // setup actually paces.
    const double image_s = wire_seconds(static_cast<double>(kImageSize), c.baud);
    const double floor_s = reads_back ? 2.0 * image_s : image_s;
    double paced_s = wire_seconds(kBlocks + (reads_back ? static_cast<double>(kImageSize) : 0.0), c.baud);
    if (c.line) paced_s += image_s;

    std::printf("%s: %s in %.3f s", title.c_str(), succeeded ? "verified" : "FAILED", total);
    if (c.baud > 0) {
        std::printf(" = %.3f x wire floor %.3f s (%s)", total / floor_s, floor_s,
                    reads_back ? "28,672 bytes each way" : "28,672 bytes one way, no read-back over TCP");
        std::printf("; %.3f x the %.3f s of bytes paced in this setup%s", total / paced_s, paced_s,
                    c.line ? "" : " (the program's blocks are not paced)");
    }
    std::printf("\n");
    if (c.baud > 0 && !at_box.ack_latency_ms.empty()) {
        // The box answers each block after its own poll loop wakes (whole milliseconds); a box
        // that answered at once would take only its acknowledgement's line time.
        double box_delay_s = 0.0;
        for (double ms : at_box.ack_latency_ms) box_delay_s += std::max(0.0, ms / 1000.0 - wire_seconds(1.0, c.baud));
        std::printf("  less the box's own delay beyond its acks' line time (%.3f s): %.3f s = %.3f x wire floor\n",
                    box_delay_s, total - box_delay_s, (total - box_delay_s) / floor_s);
    }
    if (!succeeded)
        for (const auto& m : messages) std::printf("  message: %s\n", m.c_str());

    std::printf("  turnaround at the box (ack out -> first byte of next block in): %s; over 30 ms: %zu%s\n",
                describe(at_box.turnaround_ms).c_str(), count_above(at_box.turnaround_ms, 30.0),
                c.line ? "; includes the line's first byte" : "");
    std::printf("  turnaround in the program (ack arrival -> next block written): %s; over 30 ms: %zu\n",
                describe(timing.turnaround_ms).c_str(), count_above(timing.turnaround_ms, 30.0));
    std::printf("  the box's own ack latency (block complete -> ack out): %s\n",
                describe(at_box.ack_latency_ms).c_str());
    const double blocks_s = (at_box.last_ack_out_ms - at_box.first_block_in_ms) / 1000.0;
    std::printf("  blocks phase at the box %.3f s (first block in -> last ack out): sum of turnarounds %.3f s, "
                "sum of ack latencies %.3f s",
                blocks_s, sum(at_box.turnaround_ms) / 1000.0, sum(at_box.ack_latency_ms) / 1000.0);
    if (c.line) std::printf(", line time of the blocks %.3f s", image_s);
    std::printf("\n");
    if (reads_back && at_box.readback_request_ms >= 0)
        std::printf("  read-back at the box %.3f s (\"A\" in -> last byte out; line time %.3f s)\n",
                    (at_box.readback_last_out_ms - at_box.readback_request_ms) / 1000.0, image_s);
    std::fflush(stdout);
    return succeeded;
}

// ser2net alone, with no program and no box: one byte written on the device side until it
// arrives over TCP, and a 128-byte block sent over TCP until it is all on the device side.
void ser2net_alone(int baud, bool chardelay) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    const std::string device = ::ptsname(master);
    const int keep = ::open(device.c_str(), O_RDWR | O_NOCTTY);  // the line stays up
    termios tio{};
    ::tcgetattr(keep, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(keep, TCSANOW, &tio);
    {
        Ser2net gateway(device, baud, chardelay);
        const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(gateway.port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        ::setsockopt(tcp, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(tcp, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
            ::usleep(300000);
            std::vector<double> up, down;
            char buf[4096];
            const std::string block(kBlockSize, 'x');
            for (int i = 0; i < 200; ++i) {
                auto t = Steady::now();
                [[maybe_unused]] auto n = ::write(master, "\x06", 1);
                n = ::read(tcp, buf, sizeof buf);
                up.push_back(ms_between(t, Steady::now()));
                t = Steady::now();
                n = ::send(tcp, block.data(), block.size(), 0);
                for (std::size_t got = 0; got < kBlockSize;) {
                    n = ::read(master, buf, sizeof buf);
                    if (n <= 0) break;
                    got += static_cast<std::size_t>(n);
                }
                down.push_back(ms_between(t, Steady::now()));
                ::usleep(2000);
            }
            std::printf("ser2net alone %d chardelay %s: device -> TCP, 1 byte: %s\n", baud, chardelay ? "on " : "off",
                        describe(up).c_str());
            std::printf("ser2net alone %d chardelay %s: TCP -> device, 128 bytes: %s\n", baud,
                        chardelay ? "on " : "off", describe(down).c_str());
            std::fflush(stdout);
        }
        ::close(tcp);
    }
    ::close(keep);
    ::close(master);
}

}  // namespace

int main(int argc, char** argv) {
    prefer_offscreen();
    QApplication app(argc, argv);
    const bool windows = windows_wanted(argc, argv);
    std::string only;
    int runs = 1;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    print_machine("bench_programming", windows);
    const std::vector<Case> cases = {
        {"pty", 9600, false, false},          {"pty", 57600, false, false},
        {"pty+line", 9600, true, false},      {"pty+line", 57600, true, false},
        {"ser2net", 9600, false, true},       {"ser2net", 57600, false, true},
        {"ser2net+line", 9600, true, true},   {"ser2net+line", 57600, true, true},
        {"ser2net(chardelay off)", 9600, false, true, false},
        {"ser2net(chardelay off)", 57600, false, true, false},
        {"ser2net(chardelay off)+line", 57600, true, true, false},
        {"pty unpaced", 0, false, false},
    };
    const FirmwareFile firmware(20240607);
    int failed = 0;
    for (const Case& c : cases) {
        const std::string title = title_of(c.name, c.baud);
        if (!only.empty() && title.find(only) == std::string::npos) continue;
        for (int r = 0; r < runs; ++r)
            if (!run_case(c, windows, firmware)) ++failed;
    }
    if (only.empty() || std::string("ser2net alone").find(only) != std::string::npos)
        for (const int baud : {9600, 57600})
            for (const bool chardelay : {true, false}) ser2net_alone(baud, chardelay);
    return failed == 0 ? 0 : 1;
}
