// The settings file survives a kill at any moment of a save: it is always one whole
// generation of values, the old one or the new one, never a mix and never torn.

#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <set>

#include "platform/qt/qt_settings_store.h"

namespace {

// The generations found in the file's values ("g1", "g2", ...); empty when there is no file
// yet. The night mode's two keys can only hold their own values and carry none.
std::set<QString> generations(const QString& file) {
    QSettings s(file, QSettings::IniFormat);
    std::set<QString> found;
    for (const QString& key : s.allKeys())
        if (!key.contains("Night", Qt::CaseInsensitive)) found.insert(s.value(key).toString());
    return found;
}

TEST(SettingsDurability, AKillDuringShutdownSavesLeavesTheOldOrTheNewFileWhole) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString file = orv::qt::QtSettingsStore::file_of("orvantis");
    qunsetenv("XDG_CONFIG_HOME");
    // ORV_DURABILITY_KILLS raises the count for a long run (1,000 and more).
    const int kills = qEnvironmentVariableIsSet("ORV_DURABILITY_KILLS")
                          ? qEnvironmentVariableIntValue("ORV_DURABILITY_KILLS")
                          : 60;
    QRandomGenerator rng(1234);
    {
        // One whole save first, however slowly this build starts a process.
        QProcess first;
        first.start(STORE_WRITER_PATH, {dir.path()});
        ASSERT_TRUE(first.waitForStarted(5000));
        for (int i = 0; i < 1000 && generations(file).empty(); ++i) QThread::msleep(10);
        first.kill();
        first.waitForFinished(5000);
    }
    int with_file = 0;
    for (int i = 0; i < kills; ++i) {
        QProcess writer;
        writer.start(STORE_WRITER_PATH, {dir.path()});
        ASSERT_TRUE(writer.waitForStarted(5000));
        QThread::usleep(rng.bounded(2000u, 150000u));  // a real process keeps saving meanwhile
        writer.kill();
        writer.waitForFinished(5000);
        const auto found = generations(file);
        if (found.empty()) continue;
        ++with_file;
        ASSERT_EQ(found.size(), 1u) << "kill " << i << " left a mixed file";
        QSettings s(file, QSettings::IniFormat);
        ASSERT_EQ(s.allKeys().size(), 33) << "kill " << i << " left a torn file";
    }
    EXPECT_EQ(with_file, kills);
}

}  // namespace
