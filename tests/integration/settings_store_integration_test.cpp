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

TEST(SettingsStoreOnDisk, RoundTripsValuesExactlyAndNamesWithoutCase) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const std::string awkward[] = {"", " 30 ", "#", "a=b;c", "C:\\dir\\file", "Ünïcødé °",
                                   "\"quoted\"", "[Startup]", "line"};
    {
        orv::qt::QtSettingsStore backend;
        orv::Store store(backend);
        for (std::size_t i = 0; i < std::size(awkward); ++i)
            store.save("Orvantis", "Key" + std::to_string(i), awkward[i]);
        store.save("orvantis", "IPaddr0", "192.168.1.3");
        ASSERT_TRUE(store.commit());
    }
    EXPECT_TRUE(QFile::exists(orv::qt::QtSettingsStore::file_of("orvantis")));
    orv::qt::QtSettingsStore backend;
    orv::Store store(backend);
    for (std::size_t i = 0; i < std::size(awkward); ++i)
        EXPECT_EQ(store.read("ORVANTIS", "key" + std::to_string(i)), awkward[i]) << i;
    EXPECT_EQ(store.read("Orvantis", "ipaddr0"), "192.168.1.3");
    EXPECT_EQ(store.read("Orvantis", "never"), "");
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsStoreOnDisk, NamesWrittenByHandInAnyCaseAreFoundAndRewrittenInOneForm) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    const QString file = orv::qt::QtSettingsStore::file_of("orvantis");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other]\nDev=0\n[Startup]\ndev=1\nCommPort=COM3\nIPPORT=4001\n");
    }
    {
        orv::qt::QtSettingsStore backend;
        orv::Store store(backend);
        EXPECT_EQ(store.read("orvantis", "dev"), "1");
        EXPECT_EQ(store.read("Orvantis", "commport"), "COM3");
        EXPECT_EQ(store.read("orvantis", "IPport"), "4001");
        EXPECT_EQ(store.read("orvantis", "never"), "");
        store.save("Orvantis", "CommPort", "COM5");
        ASSERT_TRUE(store.commit());
    }
    QSettings raw(file, QSettings::IniFormat);
    int spellings = 0;
    for (const QString& group : raw.childGroups()) {
        raw.beginGroup(group);
        for (const QString& key : raw.childKeys())
            if (key.compare("commport", Qt::CaseInsensitive) == 0) ++spellings;
        raw.endGroup();
    }
    EXPECT_EQ(spellings, 1);
    orv::qt::QtSettingsStore backend;
    orv::Store store(backend);
    EXPECT_EQ(store.read("Orvantis", "CommPort"), "COM5");
    EXPECT_EQ(store.read("orvantis", "dev"), "1");
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsStoreOnDisk, AnUnwritableFolderIsReportedNotIgnored) {
    QTemporaryDir dir;
    const QString blocked = dir.filePath("blocked");
    QFile f(blocked);  // a file where the folder should be
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("XDG_CONFIG_HOME", blocked.toUtf8());
    orv::qt::QtSettingsStore backend;
    orv::Store store(backend);
    store.save("Orvantis", "CommPort", "COM1");
    EXPECT_FALSE(store.commit());
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
