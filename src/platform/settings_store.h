#pragma once
// The per-user settings store: application, section and key to text.

#include <string>

namespace orv::platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or "" when nothing was stored. Names arrive folded to lower case by the
    // caller; a store that keeps files people edit by hand also finds them in any other case.
    virtual std::string read(const std::string& app, const std::string& section,
                             const std::string& key) = 0;
    virtual void save(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) = 0;
    // Makes every save so far durable in one atomic step (old or new contents, never torn).
    // Returns false when the store could not be written.
    virtual bool commit() = 0;
};

}  // namespace orv::platform
