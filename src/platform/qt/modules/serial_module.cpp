// The serial module: the serial port on QSerialPort, with Qt Serial Port and libudev.
#include <QtGlobal>

#include "platform/qt/qt_serial_port.h"

extern "C" Q_DECL_EXPORT void* orvantis_make_serial_port() {
    return static_cast<orv::platform::SerialPort*>(new orv::qt::QtSerialPort);
}
