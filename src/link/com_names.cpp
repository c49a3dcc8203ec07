#include "link/com_names.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace orv::link {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

int com_number(std::string_view s) {
    int n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size() || n < 1 || n > kMaxComNumber) return 0;
    return n;
}

}  // namespace

ComAssignment assign_com_numbers(std::vector<SerialDevice> present,
                                 const std::map<std::string, int>& remembered,
                                 const std::map<int, std::string>& pins) {
    ComAssignment out;
    out.remembered = remembered;
    std::set<int> taken;
    std::set<std::string> pinned_paths;
    for (const auto& [n, path] : pins) {
        out.paths[n] = path;
        taken.insert(n);
        pinned_paths.insert(path);
    }
    std::sort(present.begin(), present.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.identity < b.identity; });
    present.erase(std::remove_if(present.begin(), present.end(),
                                 [&](const SerialDevice& d) { return pinned_paths.count(d.path) != 0; }),
                  present.end());

    std::vector<const SerialDevice*> unplaced;
    for (const auto& d : present) {
        const auto it = remembered.find(d.identity);
        if (it != remembered.end() && taken.count(it->second) == 0) {
            out.paths[it->second] = d.path;
            taken.insert(it->second);
        } else {
            unplaced.push_back(&d);
        }
    }

    std::set<int> reserved;  // numbers that devices not present now will want back
    for (const auto& [identity, n] : remembered) reserved.insert(n);
    for (const SerialDevice* d : unplaced) {
        int chosen = 0;
        for (int n = 1; n <= kMaxComNumber && chosen == 0; ++n)
            if (taken.count(n) == 0 && reserved.count(n) == 0) chosen = n;
        for (int n = 1; n <= kMaxComNumber && chosen == 0; ++n)
            if (taken.count(n) == 0) chosen = n;
        if (chosen == 0) break;  // more than ten devices: the rest get no name
        for (auto it = out.remembered.begin(); it != out.remembered.end();)
            it = it->second == chosen ? out.remembered.erase(it) : std::next(it);
        out.paths[chosen] = d->path;
        out.remembered[d->identity] = chosen;
        taken.insert(chosen);
    }
    return out;
}

std::map<int, std::string> parse_pins(std::string_view text) {
    std::map<int, std::string> pins;
    while (!text.empty()) {
        const auto end = text.find_first_of(";,\n");
        const std::string_view entry = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = trim(entry.substr(0, eq));
        const std::string_view path = trim(entry.substr(eq + 1));
        if (name.size() < 4 || (name.substr(0, 3) != "COM" && name.substr(0, 3) != "com")) continue;
        const int n = com_number(name.substr(3));
        if (n != 0 && !path.empty()) pins[n] = std::string(path);
    }
    return pins;
}

std::string format_remembered(const std::map<std::string, int>& remembered) {
    std::string out;
    for (const auto& [identity, n] : remembered) out += std::to_string(n) + " " + identity + "\n";
    return out;
}

std::map<std::string, int> parse_remembered(std::string_view text) {
    std::map<std::string, int> out;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto space = line.find(' ');
        if (space == std::string_view::npos) continue;
        const int n = com_number(line.substr(0, space));
        const std::string_view identity = trim(line.substr(space + 1));
        if (n != 0 && !identity.empty()) out[std::string(identity)] = n;
    }
    return out;
}

}  // namespace orv::link
