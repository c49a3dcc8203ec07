#pragma once
// What the benchmarks share: the whole program on the real Qt serial port, socket and timers,
// with its real windows (offscreen) unless told otherwise, scripted dialogs and an in-memory
// store; timing points on the serial port and the socket; a firmware file; a probe timer that
// measures how long the event loop goes without turning; and the simulated box's log read back.

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "integration/live_program.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_tcp_socket.h"

namespace orv::bench {

using test::BoxSim;
using test::wait_until;
using Steady = std::chrono::steady_clock;

inline double ms_between(Steady::time_point from, Steady::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Sets the offscreen platform unless another is chosen; call before QApplication exists.
void prefer_offscreen();
// "--no-windows" among the arguments: the program runs without its Qt windows.
bool windows_wanted(int argc, char** argv);
// The machine, the load and the build, as lines for the record.
void print_machine(const char* bench, bool windows);

// The time from the first arrival after a block went out (the box's acknowledgement) to the
// next 128-byte block handed to the port, as the program sees it.
struct BlockTiming {
    bool armed = false;
    std::optional<Steady::time_point> ack_in;
    std::vector<double> turnaround_ms;
    std::vector<std::pair<Steady::time_point, std::string>> writes;  // every write, when armed

    void arrived();
    void wrote(std::string_view bytes);
    void reset();
};

class TimedSerial : public platform::SerialPort {
public:
    TimedSerial();
    std::string open(const std::string& path, const platform::LineSettings& line) override {
        return real_.open(path, line);
    }
    void close() override { real_.close(); }
    bool is_open() const override { return real_.is_open(); }
    void write(std::string_view bytes) override {
        timing.wrote(bytes);
        real_.write(bytes);
    }
    std::size_t bytes_waiting() const override { return real_.bytes_waiting(); }
    std::string read_all() override { return real_.read_all(); }
    void discard_input() override { real_.discard_input(); }
    void discard_output() override { real_.discard_output(); }

    BlockTiming timing;

private:
    qt::QtSerialPort real_;
};

class TimedSocket : public platform::TcpSocket {
public:
    TimedSocket();
    void connect_to(const std::string& host, std::uint16_t port) override { real_.connect_to(host, port); }
    void close() override { real_.close(); }
    platform::SocketState state() const override { return real_.state(); }
    void send(std::string_view bytes) override {
        timing.wrote(bytes);
        real_.send(bytes);
    }
    std::string read_all() override { return real_.read_all(); }

    BlockTiming timing;

private:
    qt::QtTcpSocket real_;
};

// The whole program on the timed port and socket, with its windows unless told otherwise;
// `pins` as in ORVANTIS_PORTS ("COM3=/dev/pts/4").
struct BenchProgram : test::BasicLiveProgram<TimedSerial, TimedSocket> {
    BenchProgram(const std::string& pins, bool windows);

    bool connect_serial(const std::string& com, const std::string& baud, int timeout_ms = 5000);
    bool connect_tcp(std::uint16_t port, int timeout_ms = 5000) {
        return connect_tcp_and_identify(port, timeout_ms);
    }

    // Destroyed before the program (members go before the base).
    std::unique_ptr<app::PortSettingsView> settings_view;
    std::unique_ptr<app::FirmwareView> firmware_view;
    std::unique_ptr<app::MainView> main_view;
    // With ORV_TRAFFIC_DIR set, the traffic log goes to files there as well, as in the program.
    std::unique_ptr<link::TrafficFiles> traffic_files;
};

// ser2net as the tests start it, here with the line's baud rate and, where asked, ser2net's
// default character delay.
using Ser2net = test::Gateway;

// A full 28,672-byte image of random bytes as an Intel HEX file of 16-byte records.
struct FirmwareFile {
    explicit FirmwareFile(std::uint32_t seed);
    QTemporaryDir dir;
    std::string path;
    std::string text;
};

// Opens the firmware window, loads the file and confirms it: BOOT UP is then enabled.
bool load_firmware(BenchProgram& p, const FirmwareFile& file);
// BOOT UP, then waits until PROGRAM is enabled.
bool boot_up(BenchProgram& p, int timeout_ms = 5000);

// A 1 ms precise timer whose gaps between ticks show how long the event loop did not turn.
class StallProbe {
public:
    StallProbe();
    void start();
    void stop();
    // The gaps between ticks since the last mark, in milliseconds; starts a new mark.
    std::vector<double> take();
    // The end times of the gaps of the last take, in the same order.
    const std::vector<Steady::time_point>& taken_at() const { return taken_at_; }

private:
    QTimer timer_;
    std::optional<Steady::time_point> last_;
    std::vector<double> gaps_;
    std::vector<Steady::time_point> at_;
    std::vector<Steady::time_point> taken_at_;
};

// A line of the box's log: "<ms> <side> <kind> <rest>".
struct BoxLine {
    double ms = 0.0;
    std::string side;
    std::string kind;
    std::string rest;
};
std::vector<BoxLine> parse_box_log(const std::string& log);

// Per block, from the box's log on one side: its acknowledgement out to the first byte of the
// next block in (turnaround), and the block complete to its acknowledgement out (the box's own
// latency); the read-back from "A" in to its last byte out.
struct BoxBlockTimes {
    std::vector<double> turnaround_ms;
    std::vector<double> ack_latency_ms;
    double first_block_in_ms = 0.0;
    double last_ack_out_ms = 0.0;
    double readback_request_ms = -1.0;
    double readback_last_out_ms = -1.0;
};
BoxBlockTimes box_block_times(const std::vector<BoxLine>& lines, const std::string& side);

}  // namespace orv::bench
