#include "platform/qt/qt_settings_store.h"

#include <QStandardPaths>

namespace orv::qt {

namespace {

QString key_path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
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
    return settings(app).value(key_path(section, key)).toString().toStdString();
}

void QtSettingsStore::save(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) {
    settings(app).setValue(key_path(section, key), QString::fromStdString(value));
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
