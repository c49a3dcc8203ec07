#pragma once
// Why a serial device on this Linux machine cannot be opened or stays silent, told with the fix:
// the device's owner, group and mode against this login's groups, a lock file and who holds it,
// and the programs known to probe or claim serial adapters.

#include <string>
#include <vector>

#include "platform/port_directory.h"

namespace orv::qt {

// Why the device at `path` may not be opened by this process, with the fix; "" when this
// process may open it (so the refusal came from a lock or an exclusive open).
std::string permission_trouble(const std::string& path);

// "locked by minicom (pid 42) with /run/lock/LCK..ttyUSB0" when a live process holds a lock
// file for the device in one of the usual lock folders; "" otherwise. `lock_dirs` is for tests.
std::string lock_holder(const std::string& path,
                        const std::vector<std::string>& lock_dirs = {"/run/lock", "/var/lock"});

// The programs running now that probe or claim serial adapters on their own, each as one line
// naming the program and what to do about it. `proc` is for tests.
std::vector<std::string> adapter_grabbers(const std::string& proc = "/proc");

// The USB adapter's latency timer, read from sysfs; none for a device that keeps none.
platform::AdapterLatency latency_timer(const std::string& path, const std::string& sys = "/sys");

}  // namespace orv::qt
