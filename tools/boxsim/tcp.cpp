#include "tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace boxsim {

TcpServer::TcpServer(Log& log)
    : log_(log)
    , peer_(Side::Tcp, log)
{
}

TcpServer::~TcpServer()
{
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

bool TcpServer::listen(std::uint16_t port, std::string& error)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(listenFd_, F_SETFD, FD_CLOEXEC);
    ::fcntl(listenFd_, F_SETFL, ::fcntl(listenFd_, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);

    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = "bind 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    if (::listen(listenFd_, 8) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        error = std::string("getsockname: ") + std::strerror(errno);
        return false;
    }
    port_ = ntohs(addr.sin_port);
    return true;
}

bool TcpServer::acceptPending()
{
    bool accepted = false;
    for (;;) {
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return accepted; // EAGAIN: nothing more pending; other errors: try again on next poll
        }
        accepted = true;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        closePeer();
        peer_.attach(fd);
        log_.event(Side::Tcp, "CONNECT");
    }
}

void TcpServer::closePeer()
{
    if (!peer_.isOpen())
        return;
    peer_.close();
    log_.event(Side::Tcp, "CLOSE");
}

} // namespace boxsim
