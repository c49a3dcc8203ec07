#pragma once
// The TCP client socket on QTcpSocket.

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <map>

#include "platform/tcp_socket.h"

namespace orv::qt {

class QtTcpSocket : public QObject, public platform::TcpSocket {
    Q_OBJECT
public:
    QtTcpSocket();
    // Ends as close() does; connections still lingering are waited for here, since the event
    // loop that would end them no longer turns.
    ~QtTcpSocket() override;
    void connect_to(const std::string& host, std::uint16_t port) override;
    void close() override;
    platform::SocketState state() const override;
    void send(std::string_view bytes) override;
    std::string read_all() override;
    platform::SocketFailure failure() const override { return failure_; }

private:
    void make_socket();
    void linger(QTcpSocket* socket, qint64 ms);

    QTcpSocket* socket_ = nullptr;  // a child of this object; replaced when one lingers
    QElapsedTimer since_send_;  // since the last write; invalid before the first
    // Ended connections that still hand their last bytes on, and when each may go.
    std::map<QTcpSocket*, QDeadlineTimer> lingering_;
    bool closing_ = false;
    platform::SocketFailure failure_ = platform::SocketFailure::Other;
};

}  // namespace orv::qt
