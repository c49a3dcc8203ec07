// Why a port cannot be opened or a gateway cannot be reached, each cause made real on this
// machine: a user without the device's group, a device only root may open, a live program holding
// it or its lock, a program known to grab adapters, the adapter's latency timer and a refused
// connect.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "integration/live_program.h"
#include "platform/qt/serial_doctor.h"

namespace {

using orv::test::wait_until;

// Runs the port opener on `device`, as the user nobody when `as_nobody`; what it printed.
std::string open_as(const std::string& device, bool as_nobody) {
    // The opener must be reachable by nobody: a copy in a folder anyone may enter.
    static QTemporaryDir dir;
    const QString opener = dir.filePath("port_opener");
    if (!QFile::exists(opener)) {
        QFile::copy(PORT_OPENER_PATH, opener);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
    }
    QStringList args{QString::fromStdString(device)};
    if (as_nobody)
        args = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", opener} + args;
    QProcess p;
    p.start(as_nobody ? "setpriv" : opener, args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput().toStdString();
}

// A pseudo-terminal whose device the test may chown and chmod, and a process that waits.
class Doctor : public ::testing::Test {
protected:
    void SetUp() override {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        path = ::ptsname(master);
    }
    void TearDown() override {
        if (master >= 0) ::close(master);
        holder.kill();
        holder.waitForFinished();
    }
    // Starts `program` (sleep, or a copy of it under another name) with the device open; its pid.
    std::string start_holder(const QString& program = "sleep") {
        holder.setStandardInputFile(QString::fromStdString(path));
        holder.start(program, {"30"});
        return holder.waitForStarted() ? std::to_string(holder.processId()) : "";
    }
    int master = -1;
    std::string path;
    QProcess holder;
};

TEST_F(Doctor, APortThisUserMayNotOpenSaysWhoOwnsItAndTheFix) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the device to another owner";
    ASSERT_EQ(::chown(path.c_str(), 0, 20), 0);  // root:dialout
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    EXPECT_EQ(open_as(path, true), "permission denied: " + path +
                                       " (crw-rw---- root dialout) is owned by group dialout; add "
                                       "yourself with \"sudo usermod -aG dialout $USER\", then "
                                       "log out and in");
    ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    const std::string why = open_as(path, true);
    EXPECT_TRUE(why.starts_with("permission denied: only root may open " + path +
                                " (crw------- root root)"))
        << why;
    EXPECT_NE(why.find("GROUP=\"dialout\", MODE=\"0660\""), std::string::npos) << why;
    // Root itself may open it: no permission trouble to tell.
    EXPECT_EQ(orv::qt::permission_trouble(path), "");
    EXPECT_EQ(open_as("/dev/no-such-tty", false),
              "the device is gone: it was unplugged or switched off. Plug it in again");
}

// A program that has the device open is found from /proc, and one whose lock file names the
// device from the lock folders, each with its name and pid.
TEST_F(Doctor, ALiveProgramHoldingOrLockingThePortIsNamed) {
    const auto holders = [&] { return orv::qt::processes_holding(path); };
    EXPECT_TRUE(holders().empty());
    const std::string pid = start_holder();
    ASSERT_NE(pid, "");
    const std::vector<std::string> expected{"sleep (pid " + pid + ")"};
    EXPECT_TRUE(wait_until([&] { return holders() == expected; }, 3000));
    QTemporaryDir locks;
    std::string name = "LCK.." + path.substr(5);  // /dev/pts/N -> LCK..pts_N
    name[name.find('/')] = '_';
    const std::string file = locks.path().toStdString() + "/" + name;
    ASSERT_TRUE(orv::test::write_file(QString::fromStdString(file),
                                      QByteArray::fromStdString(pid).rightJustified(10) + "\n"));
    const std::vector<std::string> dirs = {"/no/such/dir", locks.path().toStdString()};
    EXPECT_EQ(orv::qt::lock_holder(path, dirs), "locked by sleep (pid " + pid + ") with " + file);
    holder.kill();
    holder.waitForFinished();
    EXPECT_TRUE(holders().empty());
    EXPECT_EQ(orv::qt::lock_holder(path, dirs), "");  // a stale lock holds nothing
    EXPECT_TRUE(orv::qt::processes_holding("/no/such/device").empty());
}

TEST_F(Doctor, AModemManagerRunningIsNamedWithWhatToDo) {
    QTemporaryDir dir;
    const QString fake = dir.filePath("ModemManager");
    ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable("sleep"), fake));
    const std::string pid = start_holder(fake);
    std::vector<std::string> found;
    EXPECT_TRUE(wait_until([&] { return !(found = orv::qt::adapter_grabbers()).empty(); }));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].starts_with("ModemManager (pid " + pid + ") is running")) << found[0];
    EXPECT_NE(found[0].find("sudo systemctl stop ModemManager"), std::string::npos);
}

TEST_F(Doctor, TheLatencyTimerIsReadFromTheAdaptersSysfsEntry) {
    QTemporaryDir sys;
    const QString file = sys.filePath("class/tty/ttyUSB0/device/latency_timer");
    ASSERT_TRUE(orv::test::write_file(file, "16\n"));
    const auto latency = orv::qt::latency_timer("/dev/ttyUSB0", sys.path().toStdString());
    EXPECT_EQ(latency.ms, 16);
    EXPECT_EQ(latency.file, file.toStdString());
    EXPECT_EQ(orv::qt::latency_timer("/dev/ttyS0", sys.path().toStdString()).ms, 0);
}

// The real socket tells a refused connect from others: the message names the port.
TEST_F(Doctor, ARefusedConnectNamesThePortAndLeavesTheSocketClosed) {
    orv::test::LiveProgram live("");
    const auto free_port = orv::test::free_port();
    live.connect_tcp(free_port);
    ASSERT_TRUE(wait_until([&] { return !live.dialogs.messages().empty(); }));
    EXPECT_NE(live.said().find("nothing takes connections on port " + std::to_string(free_port)),
              std::string::npos)
        << live.said();
    EXPECT_EQ(live.program->transport.socket_state(), orv::platform::SocketState::Closed);
    EXPECT_EQ(live.main().connect_button.caption(), "CONNECT");
}

}  // namespace
