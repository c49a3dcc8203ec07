#pragma once
// COM1 to COM10 on Linux. Devices are found with QSerialPortInfo and known by their
// /dev/serial/by-id name where they have one. The numbers given are remembered in
// <config>/orvantis/comports; pins come from <config>/orvantis/pins (lines "COM3=/dev/ttyUSB0")
// and from the environment variable ORVANTIS_PORTS ("COM3=/dev/pts/4;COM5=/dev/ttyS0"),
// which wins.

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

    static QString memory_file();
    static QString pins_file();

private:
    std::map<int, std::string> paths_;
};

// The serial devices present now, with their stable identity.
std::vector<link::SerialDevice> present_serial_devices();

}  // namespace orv::qt
