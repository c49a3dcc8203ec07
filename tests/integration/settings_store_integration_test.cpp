// The settings store on disk, through QSettings in a configuration folder of the test's own,
// and its file surviving a kill at any moment of a save.

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSettings>
#include <QThread>
#include <set>

#include "integration/boxsim_process.h"
#include "platform/qt/qt_settings_store.h"
#include "shell/store.h"

namespace {

// A store as a fresh program has it, on the file in `config`.
class SettingsStoreOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        file = orv::qt::QtSettingsStore::file_of("orvantis");
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    struct Fresh {
        orv::qt::QtSettingsStore backend;
        orv::Store store{backend};
    };
    QTemporaryDir config;
    QString file;
};

// Values come back exactly as saved. Names are found in any case, also as a user wrote them by
// hand, and are written back in one spelling.
TEST_F(SettingsStoreOnDisk, RoundTripsValuesExactlyAndNamesInAnyCaseAsOneSpelling) {
    ASSERT_TRUE(orv::test::write_file(
        file, "[Other]\nDev=0\n[Startup]\ndev=1\nCommPort=COM3\nIPPORT=4001\n"));  // by hand
    const std::string awkward[] = {"",          " 30 ",       "#",         "a=b;c", "C:\\dir\\file",
                                   "Ünïcødé °", "\"quoted\"", "[Startup]", "line"};
    {
        Fresh s;
        EXPECT_EQ(s.store.read("orvantis", "dev"), "1");
        EXPECT_EQ(s.store.read("Orvantis", "commport"), "COM3");
        EXPECT_EQ(s.store.read("orvantis", "IPport"), "4001");
        for (std::size_t i = 0; i < std::size(awkward); ++i)
            s.store.save("Orvantis", "Key" + std::to_string(i), awkward[i]);
        s.store.save("Orvantis", "CommPort", "COM5");
        ASSERT_TRUE(s.store.commit());
    }
    QSettings raw(file, QSettings::IniFormat);
    int spellings = 0;
    for (const QString& key : raw.allKeys())
        if (key.section('/', -1).compare("commport", Qt::CaseInsensitive) == 0) ++spellings;
    EXPECT_EQ(spellings, 1);
    Fresh s;
    for (std::size_t i = 0; i < std::size(awkward); ++i)
        EXPECT_EQ(s.store.read("ORVANTIS", "key" + std::to_string(i)), awkward[i]) << i;
    EXPECT_EQ(s.store.read("Orvantis", "CommPort"), "COM5");
    EXPECT_EQ(s.store.read("orvantis", "dev"), "1");
    EXPECT_EQ(s.store.read("Orvantis", "never"), "");
}

TEST_F(SettingsStoreOnDisk, AnUnwritableFolderIsReportedNotIgnored) {
    const QString blocked = config.filePath("blocked");
    ASSERT_TRUE(orv::test::write_file(blocked));  // a file where the folder should be
    qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
    Fresh s;
    s.store.save("Orvantis", "CommPort", "COM1");
    EXPECT_FALSE(s.store.commit());
}

// The generations found in the file's values ("g1", "g2", ...); empty when there is no file
// yet. The night mode's two keys can only hold their own values and carry none.
std::set<QString> generations(const QString& file) {
    QSettings s(file, QSettings::IniFormat);
    std::set<QString> found;
    for (const QString& key : s.allKeys())
        if (!key.contains("Night", Qt::CaseInsensitive)) found.insert(s.value(key).toString());
    return found;
}

// A kill at any moment of a shutdown's save leaves one whole generation of values in the file,
// the old one or the new one, never a mix and never torn.
TEST_F(SettingsStoreOnDisk, AKillDuringAShutdownSaveLeavesTheOldOrTheNewFileWhole) {
    // Runs a writer, saving the shutdown's values again and again, and kills it `after_us` on.
    const auto write_and_kill = [this](unsigned long after_us) {
        QProcess writer;
        writer.start(STORE_WRITER_PATH, {config.path()});
        const bool started = writer.waitForStarted(5000);
        QThread::usleep(after_us);
        writer.kill();
        writer.waitForFinished(5000);
        return started;
    };
    // One whole save first, however slowly this build starts a process.
    for (unsigned long us = 100000; generations(file).empty() && us < 20000000; us *= 2)
        ASSERT_TRUE(write_and_kill(us));
    // ORV_DURABILITY_KILLS raises the count for a long run (1,000 and more).
    const int kills = std::max(60, qEnvironmentVariableIntValue("ORV_DURABILITY_KILLS"));
    QRandomGenerator rng(1234);
    for (int i = 0; i < kills; ++i) {
        ASSERT_TRUE(write_and_kill(rng.bounded(2000u, 150000u)));
        ASSERT_EQ(generations(file).size(), 1u) << "kill " << i << " left no file or a mixed one";
        ASSERT_EQ(QSettings(file, QSettings::IniFormat).allKeys().size(), 33)
            << "kill " << i << " left a torn file";
    }
}

}  // namespace
