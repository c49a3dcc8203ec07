#include "platform/qt/qt_settings_store.h"

#include <QStandardPaths>

namespace orv::qt {

namespace {

QString key_path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

// Every path in the file that names this section and key in some letter case. A file edited
// by hand may say "[Startup]" and "dev=1" where the program writes "[startup]" and "dev".
QStringList spellings(QSettings& s, const std::string& section, const std::string& key) {
    const QString sec = QString::fromStdString(section);
    const QString k = QString::fromStdString(key);
    QStringList out;
    for (const QString& group : s.childGroups()) {
        if (group.compare(sec, Qt::CaseInsensitive) != 0) continue;
        s.beginGroup(group);
        for (const QString& name : s.childKeys())
            if (name.compare(k, Qt::CaseInsensitive) == 0) out << group + "/" + name;
        s.endGroup();
    }
    return out;
}

}  // namespace

QString QtSettingsStore::file_of(const std::string& app) {
    const QString a = QString::fromStdString(app);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + a + "/" +
           a + ".ini";
}

QSettings& QtSettingsStore::settings(const std::string& app) {
    auto& s = files_[app];
    if (!s) {
        s = std::make_unique<QSettings>(file_of(app), QSettings::IniFormat);
        s->setAtomicSyncRequired(true);
    }
    return *s;
}

std::string QtSettingsStore::read(const std::string& app, const std::string& section,
                                  const std::string& key) {
    QSettings& s = settings(app);
    const QString exact = key_path(section, key);
    if (s.contains(exact)) return s.value(exact).toString().toStdString();
    const QStringList found = spellings(s, section, key);
    return found.isEmpty() ? std::string{} : s.value(found.front()).toString().toStdString();
}

void QtSettingsStore::save(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) {
    // One entry in the program's own spelling replaces whatever spellings the file had.
    QSettings& s = settings(app);
    const QString exact = key_path(section, key);
    for (const QString& other : spellings(s, section, key))
        if (other != exact) s.remove(other);
    s.setValue(exact, QString::fromStdString(value));
}

bool QtSettingsStore::commit() {
    bool ok = true;
    for (auto& [app, s] : files_) {
        s->sync();
        ok = ok && s->status() == QSettings::NoError;
    }
    return ok;
}

}  // namespace orv::qt
