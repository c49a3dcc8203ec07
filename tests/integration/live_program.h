#pragma once
// The whole program on the real Qt transports, timers and COM names, with scripted dialogs
// and an in-memory store so that a test can read every message.

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "fakes/fakes.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_tcp_socket.h"
#include "shell/program.h"

namespace orv::test {

struct LiveProgram {
    // `pins` as in ORVANTIS_PORTS, e.g. "COM3=/dev/pts/4;COM5=/dev/pts/6".
    explicit LiveProgram(const std::string& pins) {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("ORVANTIS_PORTS", pins.c_str());
        ports = std::make_unique<qt::LinuxPortDirectory>();
        qunsetenv("ORVANTIS_PORTS");
        program = std::make_unique<Program>(
            Platform{serial, socket, clock, store, sound, dialogs, *ports});
        store.committed[{"orvantis", "startup", "commbaud"}] = "9600";
        program->start();
    }

    MainWindow& main() { return program->main; }

    QTemporaryDir config;
    qt::QtSerialPort serial;
    qt::QtTcpSocket socket;
    qt::QtClock clock;
    fake::SettingsStore store;
    fake::SoundPlayer sound;
    fake::Dialogs dialogs;
    std::unique_ptr<qt::LinuxPortDirectory> ports;
    std::unique_ptr<Program> program;
};

}  // namespace orv::test
