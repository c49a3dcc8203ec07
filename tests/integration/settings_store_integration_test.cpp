// The settings store on disk, through QSettings in a configuration folder of the test's own.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

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

TEST_F(SettingsStoreOnDisk, RoundTripsValuesExactlyAndNamesWithoutCase) {
    const std::string awkward[] = {"", " 30 ", "#", "a=b;c", "C:\\dir\\file", "Ünïcødé °",
                                   "\"quoted\"", "[Startup]", "line"};
    {
        Fresh saving;
        for (std::size_t i = 0; i < std::size(awkward); ++i)
            saving.store.save("Orvantis", "Key" + std::to_string(i), awkward[i]);
        saving.store.save("orvantis", "IPaddr0", "192.168.1.3");
        ASSERT_TRUE(saving.store.commit());
    }
    EXPECT_TRUE(QFile::exists(file));
    Fresh s;
    for (std::size_t i = 0; i < std::size(awkward); ++i)
        EXPECT_EQ(s.store.read("ORVANTIS", "key" + std::to_string(i)), awkward[i]) << i;
    EXPECT_EQ(s.store.read("Orvantis", "ipaddr0"), "192.168.1.3");
    EXPECT_EQ(s.store.read("Orvantis", "never"), "");
}

TEST_F(SettingsStoreOnDisk, NamesWrittenByHandInAnyCaseAreFoundAndRewrittenInOneForm) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QFile by_hand(file);
    ASSERT_TRUE(by_hand.open(QIODevice::WriteOnly));
    by_hand.write("[Other]\nDev=0\n[Startup]\ndev=1\nCommPort=COM3\nIPPORT=4001\n");
    by_hand.close();
    {
        Fresh s;
        EXPECT_EQ(s.store.read("orvantis", "dev"), "1");
        EXPECT_EQ(s.store.read("Orvantis", "commport"), "COM3");
        EXPECT_EQ(s.store.read("orvantis", "IPport"), "4001");
        s.store.save("Orvantis", "CommPort", "COM5");
        ASSERT_TRUE(s.store.commit());
    }
    QSettings raw(file, QSettings::IniFormat);
    int spellings = 0;
    for (const QString& key : raw.allKeys())
        if (key.section('/', -1).compare("commport", Qt::CaseInsensitive) == 0) ++spellings;
    EXPECT_EQ(spellings, 1);
    Fresh s;
    EXPECT_EQ(s.store.read("Orvantis", "CommPort"), "COM5");
    EXPECT_EQ(s.store.read("orvantis", "dev"), "1");
}

TEST_F(SettingsStoreOnDisk, AnUnwritableFolderIsReportedNotIgnored) {
    const QString blocked = config.filePath("blocked");
    QFile f(blocked);  // a file where the folder should be
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
    Fresh s;
    s.store.save("Orvantis", "CommPort", "COM1");
    EXPECT_FALSE(s.store.commit());
}

}  // namespace
