#include "shell/store.h"

namespace orv {

std::string fold_name(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

std::string Store::read(const std::string& app, const std::string& key) {
    return backend_.read(fold_name(app), fold_name(kSection), fold_name(key));
}

void Store::save(const std::string& app, const std::string& key, const std::string& value) {
    backend_.save(fold_name(app), fold_name(kSection), fold_name(key), value);
}

}  // namespace orv
