#pragma once
// The serial port, the socket and the sound player as the program sees them from start-up on,
// standing in for the real ones in their modules (see module.h) until they are first needed:
// the port and the socket load their modules at the first open or connect, the sound a moment
// after the window has shown, or at once when it is played before then. A module that cannot be
// loaded leaves the port or the socket failing to open with the reason, and the sound silent.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "platform/serial_port.h"
#include "platform/sound_player.h"
#include "platform/tcp_socket.h"

namespace orv::qt {

class LazySerialPort : public platform::SerialPort {
public:
    explicit LazySerialPort(QString module_dir = {}) : dir_(std::move(module_dir)) {}
    std::string open(const std::string& path, const platform::LineSettings& line) override;
    void close() override;
    bool is_open() const override { return real_ && real_->is_open(); }
    void write(std::string_view bytes) override;
    std::size_t bytes_waiting() const override { return real_ ? real_->bytes_waiting() : 0; }
    std::string read_all() override;
    void discard_input() override;
    void discard_output() override;

private:
    QString dir_;
    std::unique_ptr<platform::SerialPort> real_;
};

class LazyTcpSocket : public platform::TcpSocket {
public:
    // `module_dir`: where to find the module instead of the usual places.
    explicit LazyTcpSocket(QString module_dir = {}) : dir_(std::move(module_dir)) {}
    void connect_to(const std::string& host, std::uint16_t port) override;
    void close() override;
    platform::SocketState state() const override;
    void send(std::string_view bytes) override;
    std::string read_all() override;
    platform::SocketFailure failure() const override {
        return real_ ? real_->failure() : platform::SocketFailure::Other;
    }

private:
    QString dir_;
    std::unique_ptr<platform::TcpSocket> real_;
};

class LazySoundPlayer : public QObject, public platform::SoundPlayer {
public:
    // How long after the first open() the sound is prepared, if nothing needs it sooner.
    static constexpr int kPrepareDelayMs = 1500;

    explicit LazySoundPlayer(QString module_dir = {}) : dir_(std::move(module_dir)) {}

    void set_file(const std::string& file) override;
    void open() override;
    void play() override;
    void stop() override;
    void close() override;
    void beep() override;

    bool prepared() const { return real_ != nullptr; }

private:
    // Loads the sound module and opens the sound in it, once.
    void prepare();

    QString dir_;
    std::string file_;
    bool opened_ = false;
    bool pending_ = false;
    bool failed_ = false;
    std::unique_ptr<platform::SoundPlayer> real_;
};

}  // namespace orv::qt
