#pragma once
// The whole program on the real Qt transports, timers and COM names, with scripted dialogs
// and an in-memory store so that a test can read every message.

#include <memory>

#include "fakes/fakes.h"
#include "firmware/hex_image.h"
#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_tcp_socket.h"
#include "shell/program.h"

namespace orv::test {

// On the given serial port and socket types (the benchmarks put timing points on them).
template <class Serial, class Socket>
struct BasicLiveProgram {
    // `pins` as in ORVANTIS_PORTS, e.g. "COM3=/dev/pts/4;COM5=/dev/pts/6". Without `start`, the
    // caller runs program->start() itself (after building windows on it, say).
    explicit BasicLiveProgram(const std::string& pins, bool start = true) {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("ORVANTIS_PORTS", pins.c_str());
        ports = std::make_unique<qt::LinuxPortDirectory>();
        qunsetenv("ORVANTIS_PORTS");
        program = std::make_unique<Program>(
            Platform{serial, socket, clock, store, sound, dialogs, *ports, files});
        store.committed[{"orvantis", "startup", "commbaud"}] = "9600";
        if (start) program->start();
    }

    MainWindow& main() { return program->main; }

    // Connected, the box identified and the time-out stopped.
    bool identified() {
        return main().connect_button.caption() == "DISCONNECT" && main().read_settings.enabled() &&
               !program->identify_timer->active();
    }
    // Chooses a port list entry ("COM3", "Search COM") and presses CONNECT.
    void connect(const std::string& entry) {
        main().port_list.set_text(entry);
        main().connect_button.click();
    }
    // Chooses "TCP Port" towards 127.0.0.1:port and presses CONNECT.
    void connect_tcp(std::uint16_t port) {
        program->settings.ip_address.set_text("127.0.0.1");
        program->settings.ip_port.set_text(std::to_string(port));
        connect("TCP Port");
    }
    // Connects and waits until the box is identified.
    bool connect_and_identify(const std::string& entry, int timeout_ms = 3000) {
        connect(entry);
        return wait_until([this] { return identified(); }, timeout_ms);
    }
    bool connect_tcp_and_identify(std::uint16_t port, int timeout_ms = 3000) {
        connect_tcp(port);
        return wait_until([this] { return identified(); }, timeout_ms);
    }
    // Every message shown so far, each in brackets.
    std::string said() const {
        std::string all;
        for (const auto& m : dialogs.messages()) all += "[" + m + "] ";
        return all;
    }
    // Opens Firmware Upload and loads the HEX file at `path`, confirming it with its code.
    void load_firmware(const QString& path) {
        const std::string text = read_file(path);
        main().password_box.set_text("7reed4reed");
        main().firmware_upload.click();
        dialogs.files.push_back(path.toStdString());
        dialogs.inputs.push_back(text.empty() ? ""
                                              : std::to_string(firmware::confirmation_sum(text)));
        program->firmware.browse.click();
    }
    // BOOT UP, and PROGRAM once the boot loader is ready (and `when_ready` has run); false when it
    // never got ready.
    bool start_programming(const std::function<void()>& when_ready = {}) {
        auto& w = program->firmware;
        w.boot_up.click();
        if (!wait_until([&] { return w.program_button.enabled(); }, 3000)) return false;
        if (when_ready) when_ready();
        dialogs.shown.clear();
        w.program_button.click();
        return true;
    }

    QTemporaryDir config;
    Serial serial;
    Socket socket;
    qt::QtClock clock;
    fake::SettingsStore store;
    fake::SoundPlayer sound;
    fake::Dialogs dialogs;
    qt::QtFileReader files;
    std::unique_ptr<qt::LinuxPortDirectory> ports;
    std::unique_ptr<Program> program;
};

using LiveProgram = BasicLiveProgram<qt::QtSerialPort, qt::QtTcpSocket>;

// Writes a HEX file of one zero byte (the run programs the whole memory all the same) into `dir`.
inline QString zero_firmware(const QTemporaryDir& dir) {
    const QString path = dir.filePath("zero.hex");
    write_file(path, ":0100000000FF\r\n:00000001FF\r\n");
    return path;
}

// The simulated box on a pseudo-terminal of the test's own, and the live program reaching it
// there as COM3 or through a ser2net gateway in front of it.
struct BoxOnLink {
    QTemporaryDir dir;
    std::string link = dir.filePath("box").toStdString();
    std::unique_ptr<BoxSim> box;
    std::unique_ptr<Gateway> gateway;
    std::unique_ptr<LiveProgram> live;

    // Starts the box with `options` besides its link, and ser2net in front of it when asked.
    void start_box(QStringList options, bool through_gateway = false) {
        box = std::make_unique<BoxSim>(options << "--pty-link" << QString::fromStdString(link));
        if (through_gateway) gateway = std::make_unique<Gateway>(link);
    }
    void start_program() { live = std::make_unique<LiveProgram>(gateway ? "" : "COM3=" + link); }
    bool connect() {
        return gateway ? live->connect_tcp_and_identify(gateway->port())
                       : live->connect_and_identify("COM3");
    }
    // All three, and the messages of the identification forgotten.
    bool start_connected(const QStringList& options, bool through_gateway = false) {
        start_box(options, through_gateway);
        start_program();
        const bool up = connect();
        live->dialogs.shown.clear();
        return up;
    }
};

}  // namespace orv::test
