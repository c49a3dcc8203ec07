#pragma once
// COM1 to COM10 on Linux. Devices are found in sysfs and known by their /dev/serial/by-id name
// where they have one, else by their USB ids and serial number, else by their path. The numbers
// given are remembered in <config>/orvantis/comports; pins come from <config>/orvantis/pins (lines
// "COM3=/dev/ttyUSB0") and from the environment variable ORVANTIS_PORTS
// ("COM3=/dev/pts/4;COM5=/dev/ttyS0"), which wins.

#include <QString>
#include <map>
#include <string>

#include "link/com_names.h"
#include "platform/port_directory.h"

namespace orv::qt {

class LinuxPortDirectory : public platform::PortDirectory {
public:
    LinuxPortDirectory();
    bool exists(int n) override;
    std::string device_path(int n) override;
    std::string describe(int n) override;
    std::vector<std::string> holders(int n) override;
    std::vector<std::string> grabbers() override;
    platform::AdapterLatency latency(int n) override;

    static QString memory_file();
    static QString pins_file();

private:
    std::map<int, std::string> paths_;
    std::map<std::string, std::string> descriptions_;  // device path -> what it is
};

// The processes other than this one that have `device` open, each as "name (pid N)"; read from
// /proc, so only those this user may look into.
std::vector<std::string> processes_holding(const std::string& device);

// The serial devices present now, with their stable identity and what they are. The roots are
// "/sys" and "/dev" but for tests, which lay out a tree of their own.
std::vector<link::SerialDevice> present_serial_devices(const QString& sys = "/sys",
                                                       const QString& dev = "/dev");

}  // namespace orv::qt
