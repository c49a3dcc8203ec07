// Orvantis Utility: the program's entry. Builds the platform on Qt, the program on top of it and
// the windows bound to it, then runs the event loop.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "app/traffic_view.h"
#include "platform/qt/lazy_parts.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_reader.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_settings_store.h"
#include "shell/program.h"

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signal_pipe[1], &c, 1);
}

// $XDG_STATE_HOME/orvantis, or ~/.local/state/orvantis.
std::string traffic_folder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + "/.local/state";
    return (state + "/orvantis").toStdString();
}

}  // namespace

// The whole program, from the application object to the end of its event loop.
int run(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("orvantis");
    // No application display name: the window system would append it to every title, and
    // the windows are titled exactly "Orvantis Utility x.21", "Form1", "Firmware Update".
    QApplication::setQuitOnLastWindowClosed(false);

    orv::qt::QtSerialPort serial;
    orv::qt::LazyTcpSocket socket;  // its module is loaded at the first TCP connect
    orv::qt::QtClock clock;
    orv::qt::QtSettingsStore store;
    orv::qt::LazySoundPlayer sound;  // prepared once the window has shown
    orv::qt::QtDialogs dialogs;
    orv::qt::LinuxPortDirectory ports;
    orv::qt::QtFileReader files;
    orv::Program program({serial, socket, clock, store, sound, dialogs, ports, files});
    program.on_quit = [] { QCoreApplication::quit(); };

    orv::app::PortSettingsView settings_view(program);
    orv::app::FirmwareView firmware_view(program);
    orv::app::MainView main_view(program);
    std::unique_ptr<orv::app::TrafficView> traffic_view;
    program.traffic_window.updated.connect([&] {
        if (!traffic_view && program.traffic_window.visible())
            traffic_view = std::make_unique<orv::app::TrafficView>(program);
    });
    // The last sessions' traffic, one file each, in the user's state folder.
    orv::link::TrafficFiles traffic_files(
        traffic_folder(), QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString());
    program.traffic.write_line = [&](const std::string& line) { traffic_files.write(line); };

    // A logout or a kill by the session must not lose the user's values: save as EXIT does.
    const auto terminate = [&program] {
        const std::string note = program.terminate();
        if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, terminate);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) == 0) {
        auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [terminate] {
            char c = 0;
            [[maybe_unused]] const auto n = ::read(signal_pipe[0], &c, 1);
            terminate();
        });
        struct sigaction sa {};
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }

    program.start();
    return program.finished() ? 0 : QApplication::exec();
}

int main(int argc, char** argv) {
    const int code = run(argc, argv);
    // Everything of ours is saved and gone by now. The libraries' own global objects are left
    // to the system: Qt Multimedia's sample cache, torn down while a sound is still loading,
    // waits for its loader thread forever, and the program would never end.
    std::fflush(nullptr);
    std::_Exit(code);
}
