#pragma once
// The serial ports of this machine under the names COM1 to COM10.

#include <string>
#include <vector>

namespace orv::platform {

// A USB serial adapter's latency timer: how long it holds a short reply before passing it on.
struct AdapterLatency {
    int ms = 0;        // 0 when the device keeps none
    std::string file;  // the sysfs file it is read from and set in
};

class PortDirectory {
public:
    virtual ~PortDirectory() = default;
    // Whether COMn maps to a device that exists now.
    virtual bool exists(int n) = 0;
    // The device path of COMn, or "" when COMn maps to nothing.
    virtual std::string device_path(int n) = 0;
    // What the device behind COMn is, one fact a line (its path first); "" for nothing.
    virtual std::string describe(int n) = 0;
    // The other programs that have COMn's device open now, each as "name (pid N)".
    virtual std::vector<std::string> holders(int n) = 0;
    // The programs running now that probe or claim serial adapters on their own, one line each
    // with what to do about them.
    virtual std::vector<std::string> grabbers() { return {}; }
    virtual AdapterLatency latency(int n) {
        (void)n;
        return {};
    }
};

}  // namespace orv::platform
