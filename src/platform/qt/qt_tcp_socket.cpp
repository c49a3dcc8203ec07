#include "platform/qt/qt_tcp_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QThread>
#include <QTimer>
#include <algorithm>

namespace orv::qt {

namespace {

// A gateway that vanishes (its power or its network gone) answers nothing, not even TCP, and
// the kernel would notice only after minutes. Probes from 2 s of quiet on, one a second, and
// a connection whose probes or data go unacknowledged for this long is given up: the user is
// told within seconds even while nothing is being sent. The probes are TCP's own; the box
// receives nothing from them.
void watch_for_silence(qintptr fd) {
    const int on = 1, idle_s = 2, interval_s = 1, probes = 4;
    const unsigned int give_up_ms = platform::kSilentGatewayMs;
    setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle_s, sizeof idle_s);
    setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPINTVL, &interval_s, sizeof interval_s);
    setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_USER_TIMEOUT, &give_up_ms, sizeof give_up_ms);
}

// A gateway such as ser2net that sees the connection end drops what it has read from it but not
// yet written to the serial line, when both come in one go. Whatever the last write held must
// reach the line first: the connection ends only this long after it.
constexpr qint64 kGatewayLingerMs = 50;

}  // namespace

QtTcpSocket::QtTcpSocket() { make_socket(); }

void QtTcpSocket::make_socket() {
    socket_ = new QTcpSocket(this);
    QTcpSocket* socket = socket_;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        // Small writes must not wait for acknowledgements (Nagle).
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        watch_for_silence(socket->socketDescriptor());
        if (on_connected) on_connected();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (on_arrival) on_arrival();
    });
    connect(
        socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError e) {
            if (closing_) return;
            const bool remote_closed = e == QAbstractSocket::RemoteHostClosedError;
            const std::string why = remote_closed ? "the connection was closed by the other side"
                                                  : socket->errorString().toStdString();
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
            socket->abort();
            closing_ = false;
            if (on_error) on_error(why);
        });
}

void QtTcpSocket::connect_to(const std::string& host, std::uint16_t port) {
    close();
    socket_->connectToHost(QString::fromStdString(host), port);
}

QtTcpSocket::~QtTcpSocket() {
    close();
    // The program is ending: what is still lingering gets the rest of its time here.
    for (auto& [socket, deadline] : lingering_) {
        // Nothing it does now may reach back into this half-ended object.
        disconnect(socket, nullptr, this, nullptr);
        if (socket->bytesToWrite() > 0)
            socket->waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
        const qint64 left = deadline.remainingTime();
        if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
        socket->abort();
    }
}

void QtTcpSocket::close() {
    closing_ = true;
    // What was sent last (the stop commands of a run, the boot loader's closing "AAAA") still
    // waits in the socket's own buffer until the event loop turns: hand it to the system first,
    // which delivers it before the connection ends. Aborting alone would drop it. Then give the
    // gateway the moment it needs to pass it on to the box: that connection lingers on its own
    // for the rest of the moment, while the window goes on and a new connection can be made.
    const qint64 since = since_send_.isValid() ? since_send_.elapsed() : kGatewayLingerMs;
    since_send_.invalidate();
    if (socket_->state() == QAbstractSocket::ConnectedState &&
        (since < kGatewayLingerMs || socket_->bytesToWrite() > 0)) {
        socket_->flush();
        linger(socket_, kGatewayLingerMs - std::min(since, kGatewayLingerMs));
        make_socket();
    } else {
        socket_->abort();
    }
    closing_ = false;
}

void QtTcpSocket::linger(QTcpSocket* socket, qint64 ms) {
    // It tells no one anything more: its end is not news to the program.
    disconnect(socket, nullptr, this, nullptr);
    lingering_.emplace(socket, QDeadlineTimer(ms));
    const auto end = [this, socket] {
        if (lingering_.erase(socket) == 0) return;
        socket->abort();
        socket->deleteLater();
    };
    connect(socket, &QTcpSocket::errorOccurred, this, end);
    // Bytes still in it at the end of the moment get one moment more, for the gateway to pass
    // them on too; a gateway that takes nothing more is not waited for longer: what it did not
    // take is lost with the connection whatever the program does.
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [socket, timer, end, again = true]() mutable {
        if (socket->bytesToWrite() == 0 || !again) return end();
        again = false;
        timer->start(static_cast<int>(kGatewayLingerMs));
    });
    timer->start(static_cast<int>(ms));
}

platform::SocketState QtTcpSocket::state() const {
    switch (socket_->state()) {
        case QAbstractSocket::ConnectedState: return platform::SocketState::Connected;
        case QAbstractSocket::HostLookupState:
        case QAbstractSocket::ConnectingState: return platform::SocketState::Connecting;
        default: return platform::SocketState::Closed;
    }
}

void QtTcpSocket::send(std::string_view bytes) {
    if (socket_->state() != QAbstractSocket::ConnectedState) return;
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    since_send_.start();
}

std::string QtTcpSocket::read_all() {
    const QByteArray data = socket_->readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

}  // namespace orv::qt
