// The network-to-serial gateway side: a TCP listener on 127.0.0.1 with at
// most one connected client, the "peer". A newly accepted client replaces the
// previous peer, which is closed.
#pragma once

#include "channel.h"

#include <cstdint>
#include <string>

namespace boxsim {

class TcpServer {
public:
    explicit TcpServer(Log& log);
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // port 0 = ephemeral. On failure returns false with a message in error.
    bool listen(std::uint16_t port, std::string& error);
    std::uint16_t port() const { return port_; }
    int listenFd() const { return listenFd_; }

    Channel& peer() { return peer_; }

    // Accepts every pending connection; the last one becomes the peer.
    // Returns true if there is a new peer.
    bool acceptPending();
    // Closes the peer (after it closed, failed, or is being replaced).
    void closePeer();

private:
    Log& log_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    Channel peer_;
};

} // namespace boxsim
