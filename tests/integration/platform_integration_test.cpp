// Platform pieces on the real machine: the notification sound, the modules loaded when first
// needed, the COM names and the program's own command line.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "integration/boxsim_process.h"
#include "platform/qt/lazy_parts.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_sound_player.h"

namespace {

using orv::test::wait_until;

bool write_file(const QString& path, const char* text = "") {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) >= 0;
}

TEST(SoundPlayer, AMissingSoundFileFallsBackToTheProgramsOwnSound) {
    EXPECT_EQ(orv::qt::QtSoundPlayer::source_for("c:\\windows\\mzm.wav").toString(),
              "qrc:/sounds/notify.wav");
    QFile shipped(":/sounds/notify.wav");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_TRUE(shipped.read(4) == "RIFF");
    QTemporaryDir dir;
    const QString mine = dir.filePath("mine.wav");
    ASSERT_TRUE(write_file(mine));
    EXPECT_EQ(orv::qt::QtSoundPlayer::source_for(mine.toStdString()), QUrl::fromLocalFile(mine));
}

// The port, the socket and the sound come from their modules when first needed; a module that
// cannot be found makes the open or connect fail with the reason and leaves the sound silent.
TEST(LazyParts, TheSocketLoadsItsModuleAtTheFirstConnectAndWorks) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    orv::qt::LazyTcpSocket socket(MODULE_DIR);
    EXPECT_EQ(socket.state(), orv::platform::SocketState::Closed);
    bool connected = false;
    socket.on_connected = [&] { connected = true; };
    socket.connect_to("127.0.0.1", server.serverPort());
    ASSERT_TRUE(wait_until([&] { return connected && server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    socket.send("#GVn#");
    ASSERT_TRUE(wait_until([&] { return peer->bytesAvailable() >= 5; }));
    EXPECT_EQ(peer->readAll(), "#GVn#");
    std::string got;
    socket.on_arrival = [&] { got += socket.read_all(); };
    peer->write("1.20#");
    EXPECT_TRUE(wait_until([&] { return got == "1.20#"; }));

    orv::qt::LazyTcpSocket lost("/no/such/folder");
    std::string why;
    lost.on_error = [&](const std::string& w) { why = w; };
    lost.connect_to("127.0.0.1", server.serverPort());
    EXPECT_NE(why.find("network module could not be loaded"), std::string::npos) << why;
    EXPECT_EQ(lost.state(), orv::platform::SocketState::Closed);
    lost.send("x");  // nothing to send on, nothing happens
}

TEST(LazyParts, TheSoundIsPreparedAMomentAfterStartOrWhenFirstPlayed) {
    orv::qt::LazySoundPlayer later(MODULE_DIR);
    later.set_file("c:\\windows\\mzm.wav");
    later.open();
    EXPECT_FALSE(later.prepared());
    EXPECT_TRUE(wait_until([&] { return later.prepared(); },
                           orv::qt::LazySoundPlayer::kPrepareDelayMs + 2000));
    // Qt Multimedia cannot be torn down at exit while a sound still loads: let it load.
    orv::test::pause(300);
    orv::qt::LazySoundPlayer at_once(MODULE_DIR);
    at_once.open();
    at_once.play();
    EXPECT_TRUE(at_once.prepared());
    orv::test::pause(300);
    at_once.stop();
    orv::qt::LazySoundPlayer missing("/no/such/folder");
    missing.open();
    missing.play();  // silent
    EXPECT_FALSE(missing.prepared());
}

TEST(LazyParts, ThePortLoadsItsModuleAtTheFirstOpen) {
    orv::qt::LazySerialPort missing("/no/such/folder");
    const std::string why = missing.open("/dev/null", {});
    EXPECT_NE(why.find("serial module could not be loaded"), std::string::npos) << why;
    EXPECT_FALSE(missing.is_open());
    EXPECT_EQ(missing.bytes_waiting(), 0u);
    missing.write("x");  // nothing to write to, nothing happens
    orv::qt::LazySerialPort port(MODULE_DIR);
    EXPECT_NE(port.open("/no/such/tty", {}), "");  // the module's own reason
    EXPECT_FALSE(port.is_open());
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
    const QString by_id = dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0";
    for (const QString& folder :
         {port + "/tty/ttyUSB0", sys + "/bus/usb-serial/drivers/ftdi_sio", uart,
          sys + "/bus/platform/drivers/serial8250", acm + "/tty/ttyACM0",
          sys + "/devices/virtual/tty/tty1", sys + "/class/tty", dev + "/serial/by-id"})
        ASSERT_TRUE(QDir().mkpath(folder));
    for (const auto& [file, text] : {std::pair{usb + "/idVendor", "0403\n"},
                                     {usb + "/idProduct", "6001\n"},
                                     {usb + "/manufacturer", "FTDI\n"},
                                     {usb + "/product", "FT232R USB UART\n"},
                                     {usb + "/serial", "A12345\n"}})
        ASSERT_TRUE(write_file(file, text));
    for (const char* node : {"ttyUSB0", "ttyS3", "ttyACM0", "tty1"})
        ASSERT_TRUE(write_file(dev + "/" + node));
    for (const auto& [target, at] :
         {std::pair{sys + "/bus/usb-serial/drivers/ftdi_sio", port + "/driver"},
          {sys + "/bus/platform/drivers/serial8250", serial8250 + "/driver"},
          {port + "/tty/ttyUSB0", sys + "/class/tty/ttyUSB0"},
          {port, port + "/tty/ttyUSB0/device"},
          {uart, sys + "/class/tty/ttyS3"},
          {serial8250, uart + "/device"},
          {acm + "/tty/ttyACM0", sys + "/class/tty/ttyACM0"},
          {acm, acm + "/tty/ttyACM0/device"},
          {sys + "/devices/virtual/tty/tty1", sys + "/class/tty/tty1"},
          {dev + "/ttyUSB0", by_id}})
        ASSERT_TRUE(QFile::link(target, at)) << at.toStdString();

    const auto found = orv::qt::present_serial_devices(sys, dev);
    // The console has no device; the 8250 port has no UART (the kernel cannot tell its type).
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, (dev + "/ttyACM0").toStdString());
    EXPECT_EQ(found[0].identity, "path:" + found[0].path);
    EXPECT_EQ(found[0].description, found[0].path);
    EXPECT_EQ(found[1].path, (dev + "/ttyUSB0").toStdString());
    EXPECT_EQ(found[1].identity, "by-id:usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    EXPECT_EQ(found[1].description,
              found[1].path + "\n" + by_id.toStdString() +
                  "\nUSB 0403:6001, FTDI, FT232R USB UART, serial number A12345\ndriver ftdi_sio");
    // Without its by-id link the adapter is still known by its USB ids and serial number.
    ASSERT_TRUE(QFile::remove(by_id));
    EXPECT_EQ(orv::qt::present_serial_devices(sys, dev)[1].identity, "usb:0403:6001:A12345");
}

// A program that has a device open is found, with its name and pid (a file stands in for the
// device: what is read from /proc is the same).
TEST(PortDirectory, AnotherProgramHoldingTheDeviceIsNamed) {
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyUSB0");
    ASSERT_TRUE(write_file(device));
    const auto holders = [&] { return orv::qt::processes_holding(device.toStdString()); };
    EXPECT_TRUE(holders().empty());
    QProcess holder;
    holder.setStandardInputFile(device);
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    const std::vector<std::string> expected{"sleep (pid " + std::to_string(holder.processId()) +
                                            ")"};
    EXPECT_TRUE(wait_until([&] { return holders() == expected; }, 3000));
    holder.kill();
    holder.waitForFinished();
    EXPECT_TRUE(holders().empty());
    EXPECT_TRUE(orv::qt::processes_holding("/no/such/device").empty());
}

TEST(PortDirectory, PinsFromTheFileAndTheEnvironmentNameExistingPathsOnly) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    QDir().mkpath(dir.filePath("orvantis"));
    ASSERT_TRUE(write_file(orv::qt::LinuxPortDirectory::pins_file(),
                           "COM2=/dev/null\nCOM3=/dev/zero\nCOM6=/no/such/device\n"));
    qputenv("ORVANTIS_PORTS", "COM3=/dev/full");  // the environment wins
    orv::qt::LinuxPortDirectory ports;
    EXPECT_TRUE(ports.exists(2));
    EXPECT_EQ(ports.device_path(2), "/dev/null");
    EXPECT_EQ(ports.device_path(3), "/dev/full");
    EXPECT_FALSE(ports.exists(6));  // pinned, but the device is not there
    EXPECT_EQ(ports.device_path(6), "/no/such/device");
    qunsetenv("ORVANTIS_PORTS");
    qunsetenv("XDG_CONFIG_HOME");
}

// --help and --version answer on standard output and end at once, with no display at all.
TEST(CommandLine, HelpAndVersionAnswerWithoutAWindow) {
    for (const QString arg : {"--version", "--help"}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
        p.setProcessEnvironment(env);
        p.start(ORVANTIS_PATH, {arg});
        ASSERT_TRUE(p.waitForFinished(5000)) << arg.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << arg.toStdString();
        const QString out = p.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith(arg == "--version" ? "orvantis 0." : "Usage: orvantis"))
            << out.toStdString();
        EXPECT_TRUE(p.readAllStandardError().isEmpty()) << arg.toStdString();
    }
}

// The program shows its window without Qt Serial Port, Qt Network and Qt Multimedia loaded; the
// sound's libraries follow a moment later; and it says nothing on standard error that a user
// could do nothing about.
TEST(CommandLine, AStartLoadsOnlyTheWindowsLibrariesAtFirstAndIsQuiet) {
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    env.remove("XDG_RUNTIME_DIR");  // Qt warns of it; the user is not told
    env.remove("ORVANTIS_DEBUG");
    program.setProcessEnvironment(env);
    program.start(ORVANTIS_PATH, {});
    ASSERT_TRUE(program.waitForStarted());
    const QString maps = QString("/proc/%1/maps").arg(program.processId());
    const auto loaded = [&maps](const char* lib) {
        QFile f(maps);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(lib);
    };
    orv::test::pause(300);
    EXPECT_TRUE(loaded("libQt6Widgets"));
    EXPECT_FALSE(loaded("libQt6Multimedia"));
    EXPECT_FALSE(loaded("libQt6Network"));
    EXPECT_FALSE(loaded("libQt6SerialPort"));
    EXPECT_TRUE(wait_until([&] { return loaded("libQt6Multimedia"); },
                           orv::qt::LazySoundPlayer::kPrepareDelayMs + 5000));
    orv::test::pause(500);  // the sound prepared
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.readAllStandardError().toStdString(), "");
}

}  // namespace
