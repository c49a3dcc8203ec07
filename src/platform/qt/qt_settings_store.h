#pragma once
// The settings store on QSettings in INI files under the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config): <folder>/<application>/<application>.ini.

#include <QSettings>
#include <map>
#include <memory>
#include <string>

#include "platform/settings_store.h"

namespace orv::qt {

class QtSettingsStore : public platform::SettingsStore {
public:
    std::string read(const std::string& app, const std::string& section,
                     const std::string& key) override;
    void save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override;
    // QSettings writes through a temporary file and a rename: old or new, never torn.
    bool commit() override;

    // The file that holds an application's values.
    static QString file_of(const std::string& app);

private:
    QSettings& settings(const std::string& app);
    std::map<std::string, std::unique_ptr<QSettings>> files_;
};

}  // namespace orv::qt
