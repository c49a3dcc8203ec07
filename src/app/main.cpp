// Orvantis Utility: the program's entry. Builds the platform on Qt, the program on top of it and
// the windows bound to it, then runs the event loop.

#include <sys/socket.h>
#include <unistd.h>

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "app/traffic_view.h"
#include "platform/qt/lazy_parts.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_file_reader.h"
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

constexpr const char* kHelp =
    "Usage: orvantis [--help | --version]\n"
    "Controls the Orvantis box (telescope mount, focuser, camera shutter, RF hand controller)\n"
    "through a serial port or a TCP network-to-serial gateway.\n"
    "\n"
    "Environment:\n"
    "  ORVANTIS_PORTS   pins COM names for this run, e.g. \"COM3=/dev/ttyUSB0;COM4=/dev/pts/5\"\n"
    "  ORVANTIS_DEBUG   1 shows the libraries' warnings on standard error\n"
    "  XDG_CONFIG_HOME  where the settings are kept (orvantis/orvantis.ini, pins, comports)\n"
    "  XDG_STATE_HOME   where the traffic logs of the last runs are kept (orvantis/)\n";

// The libraries' warnings (audio server, window system) are nothing a user can act on; they
// are shown only with ORVANTIS_DEBUG=1. The program's own notes go to standard error directly.
void quiet_messages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}

// --help and --version answer without a window; 0 when the program should go on.
int answer_command_line(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 1;
        }
        if (arg == "--version") {
            std::printf("orvantis %s\n", ORV_VERSION);
            return 1;
        }
    }
    return 0;
}

// The whole program, from the application object to the end of its event loop.
int run(int argc, char** argv) {
    if (qEnvironmentVariable("ORVANTIS_DEBUG") != "1") qInstallMessageHandler(quiet_messages);
    // Connecting to the display takes the main thread a while. Meanwhile a second thread reads
    // what start-up needs next and does not need the application for: the serial devices present
    // (in sysfs) with the COM numbers they keep, and the font configuration the first control's
    // text will need. Both are read before anything is restored, as they would be without it.
    // The locale is set first, as the application would set it, so that it does not change
    // under that thread.
    std::setlocale(LC_ALL, "");
    std::optional<orv::qt::LinuxPortDirectory> found_ports;
    std::thread early_reads([&found_ports] {
        FcInit();
        found_ports.emplace();
    });
    QApplication app(argc, argv);
    early_reads.join();
    QApplication::setApplicationName("orvantis");
    // No application display name: the window system would append it to every title, and
    // the windows are titled exactly "Orvantis Utility x.21", "Form1", "Firmware Update".
    QApplication::setQuitOnLastWindowClosed(false);

    orv::qt::LazySerialPort serial;  // its module is loaded when a port is first opened
    orv::qt::LazyTcpSocket socket;  // its module is loaded at the first TCP connect
    orv::qt::QtClock clock;
    orv::qt::QtSettingsStore store;
    orv::qt::LazySoundPlayer sound;  // prepared once the window has shown
    orv::qt::QtDialogs dialogs;
    orv::qt::LinuxPortDirectory& ports = *found_ports;
    orv::qt::QtFileReader files;
    orv::Program program({serial, socket, clock, store, sound, dialogs, ports, files});
    program.on_quit = [] { QCoreApplication::quit(); };

    // The other windows are made when first opened: start-up pays for the main window only.
    orv::app::LazyView<orv::app::PortSettingsView> settings_view(program, program.settings);
    orv::app::LazyView<orv::app::FirmwareView> firmware_view(program, program.firmware);
    orv::app::MainView main_view(program);
    orv::app::LazyTrafficView traffic_view(program);
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
    if (answer_command_line(argc, argv) != 0) return 0;
    const int code = run(argc, argv);
    // Everything of ours is saved and gone by now. The libraries' own global objects are left
    // to the system: Qt Multimedia's sample cache, torn down while a sound is still loading,
    // waits for its loader thread forever, and the program would never end.
    std::fflush(nullptr);
    std::_Exit(code);
}
