// Platform pieces on the real machine: the notification sound and the COM names.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "integration/boxsim_process.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_sound_player.h"

namespace {

TEST(SoundPlayer, AMissingSoundFileFallsBackToTheProgramsOwnSound) {
    const QUrl fallback = orv::qt::QtSoundPlayer::source_for("c:\\windows\\mzm.wav");
    EXPECT_EQ(fallback.toString(), "qrc:/sounds/notify.wav");
    QFile shipped(":/sounds/notify.wav");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_TRUE(shipped.read(4) == "RIFF");

    QTemporaryDir dir;
    const QString mine = dir.filePath("mine.wav");
    QFile f(mine);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(orv::qt::QtSoundPlayer::source_for(mine.toStdString()), QUrl::fromLocalFile(mine));
}

// Start-up only names the sound; the audio stack is set up a moment later, or at once when the
// sound is played first.
TEST(SoundPlayer, IsPreparedAfterTheWindowHasShownOrWhenFirstPlayed) {
    orv::qt::QtSoundPlayer later;
    later.set_file("c:\\windows\\mzm.wav");
    later.open();
    EXPECT_FALSE(later.prepared());
    EXPECT_TRUE(orv::test::wait_until([&] { return later.prepared(); },
                                      orv::qt::QtSoundPlayer::kPrepareDelayMs + 2000));

    orv::qt::QtSoundPlayer at_once;
    at_once.open();
    at_once.play();
    EXPECT_TRUE(at_once.prepared());
    at_once.stop();
}

TEST(PortDirectory, PinsFromTheFileAndTheEnvironmentNameExistingPathsOnly) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    QDir().mkpath(dir.filePath("orvantis"));
    QFile pins(orv::qt::LinuxPortDirectory::pins_file());
    ASSERT_TRUE(pins.open(QIODevice::WriteOnly));
    pins.write("COM2=/dev/null\nCOM3=/dev/zero\nCOM6=/no/such/device\n");
    pins.close();
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

}  // namespace
