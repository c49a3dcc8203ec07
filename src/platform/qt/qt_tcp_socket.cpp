#include "platform/qt/qt_tcp_socket.h"

namespace orv::qt {

QtTcpSocket::QtTcpSocket() {
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        // Small writes must not wait for acknowledgements (Nagle).
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (on_connected) on_connected();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        if (on_arrival) on_arrival();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (closing_) return;
        const bool remote_closed = e == QAbstractSocket::RemoteHostClosedError;
        const std::string why = remote_closed ? "the connection was closed by the other side"
                                              : socket_.errorString().toStdString();
        switch (e) {
            case QAbstractSocket::ConnectionRefusedError:
                failure_ = platform::SocketFailure::Refused;
                break;
            case QAbstractSocket::HostNotFoundError:
                failure_ = platform::SocketFailure::UnknownHost;
                break;
            case QAbstractSocket::NetworkError:
                failure_ = platform::SocketFailure::NoRoute;
                break;
            case QAbstractSocket::SocketTimeoutError:
                failure_ = platform::SocketFailure::TimedOut;
                break;
            default:
                failure_ = platform::SocketFailure::Other;
        }
        closing_ = true;
        socket_.abort();
        closing_ = false;
        if (on_error) on_error(why);
    });
}

void QtTcpSocket::connect_to(const std::string& host, std::uint16_t port) {
    close();
    socket_.connectToHost(QString::fromStdString(host), port);
}

void QtTcpSocket::close() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
}

platform::SocketState QtTcpSocket::state() const {
    switch (socket_.state()) {
        case QAbstractSocket::ConnectedState: return platform::SocketState::Connected;
        case QAbstractSocket::HostLookupState:
        case QAbstractSocket::ConnectingState: return platform::SocketState::Connecting;
        default: return platform::SocketState::Closed;
    }
}

void QtTcpSocket::send(std::string_view bytes) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return;
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string QtTcpSocket::read_all() {
    const QByteArray data = socket_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

}  // namespace orv::qt
