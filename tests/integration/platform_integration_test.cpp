// Platform pieces on the real machine: the notification sound, the modules loaded when first
// needed, the COM names and the program's own command line.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <cstring>

#include "integration/boxsim_process.h"
#include "platform/qt/lazy_parts.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_sound_player.h"

namespace {

using orv::test::pause;
using orv::test::wait_until;

using orv::test::write_file;

TEST(SoundPlayer, AMissingSoundFileFallsBackToTheProgramsOwnSound) {
    EXPECT_EQ(orv::qt::QtSoundPlayer::source_for("c:\\windows\\mzm.wav").toString(),
              "qrc:/sounds/notify.wav");
    QFile shipped(":/sounds/notify.wav");
    EXPECT_TRUE(shipped.open(QIODevice::ReadOnly) && shipped.read(4) == "RIFF");
    QTemporaryDir dir;
    const QString mine = dir.filePath("mine.wav");
    ASSERT_TRUE(write_file(mine));
    EXPECT_EQ(orv::qt::QtSoundPlayer::source_for(mine.toStdString()), QUrl::fromLocalFile(mine));
}

// The port, the socket and the sound come from their modules when first needed. (The sound
// prepared a moment after start is CommandLine.AStartLoadsOnlyTheWindowsLibrariesAtFirst.)
TEST(LazyParts, ThePartsLoadTheirModulesWhenFirstUsedAndWork) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    orv::qt::LazyTcpSocket socket(MODULE_DIR);
    EXPECT_EQ(socket.state(), orv::platform::SocketState::Closed);
    std::string seen;
    socket.on_connected = [&] { seen += "connected "; };
    socket.on_arrival = [&] { seen += socket.read_all(); };
    socket.connect_to("127.0.0.1", server.serverPort());
    ASSERT_TRUE(wait_until([&] { return !seen.empty() && server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    socket.send("#GVn#");
    ASSERT_TRUE(wait_until([&] { return peer->bytesAvailable() >= 5; }));
    EXPECT_EQ(peer->readAll(), "#GVn#");
    peer->write("1.20#");
    EXPECT_TRUE(wait_until([&] { return seen == "connected 1.20#"; })) << seen;

    orv::qt::LazySerialPort port(MODULE_DIR);
    EXPECT_NE(port.open("/no/such/tty", {}), "");  // the module's own reason
    EXPECT_FALSE(port.is_open());
    orv::qt::LazySoundPlayer sound(MODULE_DIR);
    sound.open();
    sound.play();  // needed before its moment: prepared at once
    EXPECT_TRUE(sound.prepared());
    pause(300);  // Qt Multimedia cannot be torn down at exit while a sound still loads
    sound.stop();
}

// A module that cannot be found makes the open or connect fail with the reason and leaves the
// sound silent; the part then does nothing when used.
TEST(LazyParts, AMissingModuleFailsWithTheReasonAndLeavesThePartInert) {
    orv::qt::LazySerialPort port("/no/such/folder");
    const std::string why = port.open("/dev/null", {});
    EXPECT_NE(why.find("serial module could not be loaded"), std::string::npos) << why;
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(port.bytes_waiting(), 0u);
    port.write("x");
    orv::qt::LazyTcpSocket socket("/no/such/folder");
    std::string lost;
    socket.on_error = [&](const std::string& w) { lost = w; };
    socket.connect_to("127.0.0.1", 1);
    EXPECT_NE(lost.find("network module could not be loaded"), std::string::npos) << lost;
    EXPECT_EQ(socket.state(), orv::platform::SocketState::Closed);
    socket.send("x");
    orv::qt::LazySoundPlayer sound("/no/such/folder");
    sound.open();
    sound.play();
    EXPECT_FALSE(sound.prepared());
}

// A sysfs and /dev laid out as the kernel lays them out for a USB adapter, an 8250 port without
// a UART behind it, a virtual console and a port of another driver.
TEST(PortDirectory, DevicesAreFoundInSysfsAndToldByWhatTheyAre) {
    QTemporaryDir root;
    const QString sys = root.filePath("sys"), dev = root.filePath("dev");
    const QString usb = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    const QString port = usb + "/1-2:1.0/ttyUSB0", acm = sys + "/devices/pci0000:00/acm";
    const QString serial8250 = sys + "/devices/platform/serial8250",
                  uart = serial8250 + "/tty/ttyS3";
    const QString ftdi = sys + "/bus/usb-serial/drivers/ftdi_sio",
                  driver8250 = sys + "/bus/platform/drivers/serial8250",
                  console = sys + "/devices/virtual/tty/tty1";
    const QString by_id = dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0";
    for (const QString& folder : {ftdi, driver8250, console}) ASSERT_TRUE(QDir().mkpath(folder));
    for (const auto& [file, text] : {std::pair{usb + "/idVendor", "0403\n"},
                                     {usb + "/idProduct", "6001\n"},
                                     {usb + "/manufacturer", "FTDI\n"},
                                     {usb + "/product", "FT232R USB UART\n"},
                                     {usb + "/serial", "A12345\n"},
                                     {dev + "/ttyUSB0", ""},
                                     {dev + "/ttyS3", ""},
                                     {dev + "/ttyACM0", ""},
                                     {dev + "/tty1", ""}})
        ASSERT_TRUE(write_file(file, text));
    for (const auto& [target, at] : {std::pair{ftdi, port + "/driver"},
                                     {driver8250, serial8250 + "/driver"},
                                     {port + "/tty/ttyUSB0", sys + "/class/tty/ttyUSB0"},
                                     {port, port + "/tty/ttyUSB0/device"},
                                     {uart, sys + "/class/tty/ttyS3"},
                                     {serial8250, uart + "/device"},
                                     {acm + "/tty/ttyACM0", sys + "/class/tty/ttyACM0"},
                                     {acm, acm + "/tty/ttyACM0/device"},
                                     {console, sys + "/class/tty/tty1"},
                                     {dev + "/ttyUSB0", by_id}})
        ASSERT_TRUE(QDir().mkpath(QFileInfo(at).path()) && QFile::link(target, at))
            << at.toStdString();

    const auto found = orv::qt::present_serial_devices(sys, dev);
    // The console has no device; the 8250 port has no UART (the kernel cannot tell its type).
    ASSERT_EQ(found.size(), 2u);
    const std::string acm_node = (dev + "/ttyACM0").toStdString();
    EXPECT_EQ(found[0].path + " " + found[0].identity + " " + found[0].description,
              acm_node + " path:" + acm_node + " " + acm_node);
    EXPECT_EQ(found[1].path, (dev + "/ttyUSB0").toStdString());
    EXPECT_EQ(found[1].identity, "by-id:usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    EXPECT_EQ(found[1].description,
              found[1].path + "\n" + by_id.toStdString() +
                  "\nUSB 0403:6001, FTDI, FT232R USB UART, serial number A12345\ndriver ftdi_sio");
    // Without its by-id link the adapter is still known by its USB ids and serial number.
    ASSERT_TRUE(QFile::remove(by_id));
    EXPECT_EQ(orv::qt::present_serial_devices(sys, dev)[1].identity, "usb:0403:6001:A12345");
}

TEST(PortDirectory, PinsFromTheFileAndTheEnvironmentNameExistingPathsOnly) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ASSERT_TRUE(write_file(orv::qt::LinuxPortDirectory::pins_file(),
                           "COM2=/dev/null\nCOM3=/dev/zero\nCOM6=/no/such/device\n"));
    qputenv("ORVANTIS_PORTS", "COM3=/dev/full");  // the environment wins
    orv::qt::LinuxPortDirectory ports;
    qunsetenv("ORVANTIS_PORTS");
    std::string seen;
    for (int n : {2, 3, 6})
        seen +=
            std::to_string(n) + (ports.exists(n) ? " " : " absent ") + ports.device_path(n) + "\n";
    // COM6 is pinned, but its device is not there.
    EXPECT_EQ(seen, "2 /dev/null\n3 /dev/full\n6 absent /no/such/device\n");
    qunsetenv("XDG_CONFIG_HOME");
}

// The program itself started with no display at all, nor anything a user's desktop may set.
void start_program(QProcess& p, const QStringList& args, const QString& home = "/nonexistent") {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR", "ORVANTIS_DEBUG"})
        env.remove(name);  // Qt warns of a missing XDG_RUNTIME_DIR; the user is not told
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_STATE_HOME", home + "/state");
    if (args.isEmpty()) env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(ORVANTIS_PATH, args);
}

// --help and --version answer on standard output and end at once, with no display at all.
TEST(CommandLine, HelpAndVersionAnswerWithoutAWindow) {
    for (const auto& [arg, answer] :
         {std::pair{"--version", "orvantis 0."}, {"--help", "Usage: orvantis"}}) {
        QProcess p;
        start_program(p, {arg});
        ASSERT_TRUE(p.waitForFinished(5000)) << arg;
        // Its exit code, how its answer begins, and what it wrote to standard error.
        const std::string out = p.readAllStandardOutput().toStdString();
        EXPECT_EQ(std::to_string(p.exitCode()) + " " + out.substr(0, std::strlen(answer)) + " [" +
                      p.readAllStandardError().toStdString() + "]",
                  std::string("0 ") + answer + " []");
    }
}

// The program shows its window without Qt Serial Port, Qt Network and Qt Multimedia loaded; the
// sound's libraries follow a moment later; and it says nothing on standard error that a user
// could do nothing about.
TEST(CommandLine, AStartLoadsOnlyTheWindowsLibrariesAtFirstAndIsQuiet) {
    QTemporaryDir home;
    QProcess program;
    start_program(program, {}, home.path());
    ASSERT_TRUE(program.waitForStarted());
    const QString maps = QString("/proc/%1/maps").arg(program.processId());
    const auto loaded = [&maps] {  // which of Qt's libraries the program has loaded
        QFile f(maps);
        const QByteArray in = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        std::string out;
        for (const char* lib : {"Widgets", "Multimedia", "Network", "SerialPort"})
            if (in.contains(QByteArray("libQt6") + lib)) out += std::string(lib) + " ";
        return out;
    };
    pause(300);
    EXPECT_EQ(loaded(), "Widgets ");
    EXPECT_TRUE(wait_until([&] { return loaded().find("Multimedia") != std::string::npos; },
                           orv::qt::LazySoundPlayer::kPrepareDelayMs + 5000));
    pause(500);  // the sound prepared
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.readAllStandardError().toStdString(), "");
}

}  // namespace
