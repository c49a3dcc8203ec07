#include "platform/qt/qt_serial_port.h"

#include <QFileInfo>

#include "platform/qt/serial_doctor.h"

namespace orv::qt {

namespace {

QSerialPort::Parity parity_of(char p) {
    switch (p) {
        case 'E': return QSerialPort::EvenParity;
        case 'O': return QSerialPort::OddParity;
        case 'M': return QSerialPort::MarkParity;
        case 'S': return QSerialPort::SpaceParity;
        default: return QSerialPort::NoParity;
    }
}

}  // namespace

std::string describe_open_error(QSerialPort::SerialPortError error, const std::string& path) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return "the device is gone: it was unplugged or switched off. Plug it in again";
        case QSerialPort::PermissionError: {
            // Qt says "permission" for a lock file or an exclusive open by another program too.
            if (std::string why = permission_trouble(path); !why.empty())
                return "permission denied: " + why;
            if (std::string lock = lock_holder(path); !lock.empty()) return "it is " + lock;
            return "it is in use by another program";
        }
        case QSerialPort::OpenError:
            return "it is already open";
        case QSerialPort::UnsupportedOperationError:
            return "the line settings are not supported by the device";
        default:
            return "the device reported an error";
    }
}

QtSerialPort::QtSerialPort() {
    port_.setReadBufferSize(0);
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (on_arrival) on_arrival();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError || !port_.isOpen() || closing_)
            return;
        if (e == QSerialPort::ResourceError || e == QSerialPort::WriteError ||
            e == QSerialPort::ReadError || e == QSerialPort::DeviceNotFoundError ||
            e == QSerialPort::PermissionError)
            lost(port_.errorString());
    });
    watch_.setInterval(250);
    connect(&watch_, &QTimer::timeout, this, [this] { check_device(); });
}

std::string QtSerialPort::open(const std::string& path, const platform::LineSettings& line) {
    if (port_.isOpen()) close();
    path_ = QString::fromStdString(path);
    port_.setPortName(QFileInfo(path_).absoluteFilePath());
    port_.setBaudRate(line.baud);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(line.data_bits));
    port_.setParity(parity_of(line.parity));
    port_.setStopBits(line.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        const auto error = port_.error();
        port_.clearError();
        return describe_open_error(error, path);
    }
    port_.clear(QSerialPort::AllDirections);
    watch_.start();
    return {};
}

QtSerialPort::~QtSerialPort() { close(); }

void QtSerialPort::close() {
    watch_.stop();
    if (!port_.isOpen()) return;
    // The last commands (a run's stop) may still wait in the port's own buffer until the event
    // loop turns: hand them to the system, which sends them out before the device is let go.
    closing_ = true;
    port_.flush();
    port_.close();
    closing_ = false;
}

bool QtSerialPort::is_open() const { return port_.isOpen(); }

void QtSerialPort::write(std::string_view bytes) {
    if (!port_.isOpen()) return;
    port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::size_t QtSerialPort::bytes_waiting() const {
    return port_.isOpen() ? static_cast<std::size_t>(port_.bytesAvailable()) : 0;
}

std::string QtSerialPort::read_all() {
    if (!port_.isOpen()) return {};
    const QByteArray data = port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

void QtSerialPort::discard_input() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

void QtSerialPort::discard_output() {
    if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

void QtSerialPort::check_device() {
    if (port_.isOpen() && !QFileInfo::exists(path_)) lost("the device was removed");
}

void QtSerialPort::lost(const QString& why) {
    if (!port_.isOpen()) return;
    close();
    port_.clearError();
    if (on_lost) on_lost(why.toStdString());
}

}  // namespace orv::qt
