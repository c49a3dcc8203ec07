#pragma once
// The serial port on QSerialPort.

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include "platform/serial_port.h"

namespace orv::qt {

class QtSerialPort : public QObject, public platform::SerialPort {
    Q_OBJECT
public:
    QtSerialPort();
    // Closed as close() does, so that what was written last still goes out.
    ~QtSerialPort() override;
    std::string open(const std::string& path, const platform::LineSettings& line) override;
    void close() override;
    bool is_open() const override;
    void write(std::string_view bytes) override;
    std::size_t bytes_waiting() const override;
    std::string read_all() override;
    void discard_input() override;
    void discard_output() override;

private:
    void lost(const QString& why);
    void check_device();

    QSerialPort port_;
    QString path_;
    // An unplugged adapter is not always reported until the next write: watch the node.
    QTimer watch_;
    bool closing_ = false;  // a write error while letting go is not a lost link
};

// Why a device cannot be opened, in words a user can act on.
std::string describe_open_error(QSerialPort::SerialPortError error, const std::string& path);

}  // namespace orv::qt
