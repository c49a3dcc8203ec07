#pragma once
// The TCP client socket on QTcpSocket.

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>

#include "platform/tcp_socket.h"

namespace orv::qt {

class QtTcpSocket : public QObject, public platform::TcpSocket {
    Q_OBJECT
public:
    QtTcpSocket();
    // Closed as close() does, so that what was written last still goes out.
    ~QtTcpSocket() override;
    void connect_to(const std::string& host, std::uint16_t port) override;
    void close() override;
    platform::SocketState state() const override;
    void send(std::string_view bytes) override;
    std::string read_all() override;
    platform::SocketFailure failure() const override { return failure_; }

private:
    QTcpSocket socket_;
    QElapsedTimer since_send_;  // since the last write; invalid before the first
    bool closing_ = false;
    platform::SocketFailure failure_ = platform::SocketFailure::Other;
};

}  // namespace orv::qt
