#include "platform/qt/serial_doctor.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace orv::qt {

namespace {

namespace fs = std::filesystem;

std::string read_first_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string group_name(gid_t gid) {
    const struct group* g = ::getgrgid(gid);
    return g != nullptr ? std::string(g->gr_name) : std::to_string(gid);
}

std::string user_name(uid_t uid) {
    const struct passwd* p = ::getpwuid(uid);
    return p != nullptr ? std::string(p->pw_name) : std::to_string(uid);
}

// "crw-rw---- root dialout"
std::string mode_line(const struct stat& st) {
    std::string m = S_ISCHR(st.st_mode) ? "c" : "-";
    const char* rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) m += (st.st_mode & (0400u >> i)) != 0 ? rwx[i] : '-';
    return m + " " + user_name(st.st_uid) + " " + group_name(st.st_gid);
}

// Whether this process runs with `gid` among its groups now.
bool in_group_now(gid_t gid) {
    if (::getegid() == gid) return true;
    const int n = ::getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(n));
    const int got = ::getgroups(n, groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(got, 0), gid) !=
           groups.begin() + std::max(got, 0);
}

// Whether the user's entry in the group database lists `gid` (true as well after a
// `usermod -aG` that this login has not seen yet).
bool in_group_by_database(gid_t gid) {
    const struct passwd* p = ::getpwuid(::geteuid());
    if (p == nullptr) return false;
    int n = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(n));
    if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &n) < 0) {
        groups.resize(static_cast<std::size_t>(n));
        if (::getgrouplist(p->pw_name, p->pw_gid, groups.data(), &n) < 0) return false;
    }
    return std::find(groups.begin(), groups.begin() + n, gid) != groups.begin() + n;
}

bool alive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::string process_name(const std::string& proc, const std::string& pid) {
    const std::string name = read_first_line(proc + "/" + pid + "/comm");
    return name.empty() ? "a program" : name;
}

}  // namespace

std::string permission_trouble(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (::access(path.c_str(), R_OK | W_OK) == 0) return {};
    const std::string what = path + " (" + mode_line(st) + ")";
    const bool group_may = (st.st_mode & S_IRGRP) != 0 && (st.st_mode & S_IWGRP) != 0;
    if (!group_may || st.st_gid == 0) {
        const std::string name = fs::path(path).filename().string();
        return "only root may open " + what +
               ". Give it to the group dialout with a udev rule: put the line "
               "SUBSYSTEM==\"tty\", KERNEL==\"" +
               name +
               "\", GROUP=\"dialout\", MODE=\"0660\" into "
               "/etc/udev/rules.d/50-orvantis.rules, plug the device in again and add yourself "
               "to dialout with \"sudo usermod -aG dialout $USER\", then log out and in";
    }
    const std::string group = group_name(st.st_gid);
    if (in_group_now(st.st_gid))
        return what + " refuses this program although you are in the group " + group +
               " (an access list or a security module?)";
    if (in_group_by_database(st.st_gid))
        return what + " is owned by group " + group +
               ". You are in it, but this login began before you were added: log out and in "
               "again (or start the program from \"newgrp " +
               group + "\")";
    return what + " is owned by group " + group + "; add yourself with \"sudo usermod -aG " +
           group + " $USER\", then log out and in";
}

std::string lock_holder(const std::string& path, const std::vector<std::string>& lock_dirs) {
    // Lock files are named after the device: LCK..ttyUSB0, and LCK..pts_4 for /dev/pts/4.
    std::string below_dev = path.rfind("/dev/", 0) == 0 ? path.substr(5) : path;
    std::replace(below_dev.begin(), below_dev.end(), '/', '_');
    const std::string names[] = {"LCK.." + fs::path(path).filename().string(), "LCK.." + below_dev};
    for (const std::string& dir : lock_dirs) {
        for (const std::string& name : names) {
            const std::string file = dir + "/" + name;
            std::ifstream in(file);
            if (!in) continue;
            // The pid comes first, as text (padded or not).
            std::string first;
            in >> first;
            long pid = 0;
            const auto [end, ec] = std::from_chars(first.data(), first.data() + first.size(), pid);
            if (ec != std::errc() || !alive(pid)) continue;
            return "locked by " + process_name("/proc", first) + " (pid " + first + ") with " +
                   file;
        }
    }
    return {};
}

std::vector<std::string> adapter_grabbers(const std::string& proc) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(proc, ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string name = read_first_line(entry.path().string() + "/comm");
        const std::string who = name + " (pid " + pid + ")";
        if (name == "ModemManager")
            out.push_back(who +
                          " is running: it probes new serial adapters for a modem and can hold "
                          "one for half a minute after it is plugged in. Wait and try again, or "
                          "stop it with \"sudo systemctl stop ModemManager\".");
        else if (name == "brltty")
            out.push_back(who +
                          " is running: this braille display driver claims some USB serial "
                          "adapters (CH340, CP210x) when they are plugged in. If you use no "
                          "braille display, run \"sudo systemctl mask brltty-udev.service\" and "
                          "plug the adapter in again.");
    }
    std::sort(out.begin(), out.end());
    return out;
}

platform::AdapterLatency latency_timer(const std::string& path, const std::string& sys) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    const std::string name = (ec ? fs::path(path) : real).filename().string();
    const std::string file = sys + "/class/tty/" + name + "/device/latency_timer";
    const std::string text = read_first_line(file);
    int ms = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (err != std::errc() || ms <= 0) return {};
    return {ms, file};
}

}  // namespace orv::qt
