#pragma once
// The settings store as the program uses it: section "Startup", names compared without regard
// to case, values kept exactly as given.

#include <string>

#include "platform/settings_store.h"

namespace orv {

inline constexpr const char* kAppPorts = "Orvantis";  // port, baud and exposure keys
inline constexpr const char* kAppFocus = "orvantis";  // focus and network keys
inline constexpr const char* kSection = "Startup";

class Store {
public:
    explicit Store(platform::SettingsStore& backend) : backend_(backend) {}
    std::string read(const std::string& app, const std::string& key);
    void save(const std::string& app, const std::string& key, const std::string& value);
    bool commit() { return backend_.commit(); }

private:
    platform::SettingsStore& backend_;
};

// ASCII lower case, the one folding used for every store name.
std::string fold_name(std::string name);

}  // namespace orv
