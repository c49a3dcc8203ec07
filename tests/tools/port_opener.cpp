// Opens a serial device as the program does and prints why it could not, for the tests that run
// it as another user or while another process holds a lock on the device.
//
//   port_opener <device path>

#include <QCoreApplication>
#include <cstdio>

#include "platform/qt/qt_serial_port.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    QCoreApplication app(argc, argv);
    orv::qt::QtSerialPort port;
    const std::string why = port.open(argv[1], orv::platform::LineSettings{});
    std::fputs(why.c_str(), stdout);
    return why.empty() ? 0 : 1;
}
