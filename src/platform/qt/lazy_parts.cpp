#include "platform/qt/lazy_parts.h"

#include <QApplication>
#include <QTimer>

#include "platform/qt/module.h"

namespace orv::qt {

std::string LazySerialPort::open(const std::string& path, const platform::LineSettings& line) {
    if (!real_) {
        QString error;
        real_ = make_from_module<platform::SerialPort>(dir_, "liborvantis_serial.so",
                                                       "orvantis_make_serial_port", error);
        if (!real_)
            return "the program's serial module could not be loaded: " + error.toStdString();
        real_->on_arrival = [this] {
            if (on_arrival) on_arrival();
        };
        real_->on_lost = [this](const std::string& why) {
            if (on_lost) on_lost(why);
        };
    }
    return real_->open(path, line);
}

void LazySerialPort::close() {
    if (real_) real_->close();
}

void LazySerialPort::write(std::string_view bytes) {
    if (real_) real_->write(bytes);
}

std::string LazySerialPort::read_all() { return real_ ? real_->read_all() : std::string(); }

void LazySerialPort::discard_input() {
    if (real_) real_->discard_input();
}

void LazySerialPort::discard_output() {
    if (real_) real_->discard_output();
}

void LazyTcpSocket::connect_to(const std::string& host, std::uint16_t port) {
    if (!real_) {
        QString error;
        real_ = make_from_module<platform::TcpSocket>(dir_, "liborvantis_net.so",
                                                      "orvantis_make_tcp_socket", error);
        if (!real_) {
            if (on_error)
                on_error("the program's network module could not be loaded: " +
                         error.toStdString());
            return;
        }
        real_->on_connected = [this] {
            if (on_connected) on_connected();
        };
        real_->on_arrival = [this] {
            if (on_arrival) on_arrival();
        };
        real_->on_error = [this](const std::string& why) {
            if (on_error) on_error(why);
        };
    }
    real_->connect_to(host, port);
}

void LazyTcpSocket::close() {
    if (real_) real_->close();
}

platform::SocketState LazyTcpSocket::state() const {
    return real_ ? real_->state() : platform::SocketState::Closed;
}

void LazyTcpSocket::send(std::string_view bytes) {
    if (real_) real_->send(bytes);
}

std::string LazyTcpSocket::read_all() { return real_ ? real_->read_all() : std::string(); }

void LazySoundPlayer::set_file(const std::string& file) {
    file_ = file;
    if (real_) real_->set_file(file);
}

void LazySoundPlayer::open() {
    opened_ = true;
    if (real_) {
        real_->open();
        return;
    }
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(kPrepareDelayMs, this, [this] { prepare(); });
}

void LazySoundPlayer::prepare() {
    pending_ = false;
    if (real_ || failed_ || !opened_) return;
    QString error;
    real_ = make_from_module<platform::SoundPlayer>(dir_, "liborvantis_sound.so",
                                                    "orvantis_make_sound_player", error);
    if (!real_) {
        failed_ = true;  // silent, as with a missing sound device
        return;
    }
    real_->set_file(file_);
    real_->open();
}

void LazySoundPlayer::play() {
    prepare();
    if (real_) real_->play();
}

void LazySoundPlayer::stop() {
    if (real_) real_->stop();
}

void LazySoundPlayer::close() {
    if (real_) real_->close();
}

void LazySoundPlayer::beep() { QApplication::beep(); }

}  // namespace orv::qt
