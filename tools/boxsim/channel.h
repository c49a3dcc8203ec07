// One non-blocking byte stream to a client (the pty master or the TCP peer):
// reads what arrives, queues what is sent and writes it when the fd allows.
// Everything read or written is logged.
#pragma once

#include "log.h"
#include "side.h"

#include <functional>
#include <string>
#include <string_view>

namespace boxsim {

class Channel {
public:
    enum class Status { Ok, Closed, Failed };
    using Sink = std::function<void(std::string_view)>;

    Channel(Side side, Log& log);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Takes ownership of fd (made non-blocking); any queued output is dropped.
    void attach(int fd);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    Side side() const { return side_; }

    // Events to poll for: always input, output only while something is queued.
    short pollEvents() const;

    // One read(); the bytes are logged and handed to sink.
    // Closed = end of stream, Failed = read error (errno kept in lastError()).
    Status readSome(const Sink& sink);

    // Queues bytes and writes as much as possible right away.
    Status send(std::string_view bytes);
    // Writes queued bytes while the fd accepts them.
    Status flush();

    std::size_t pending() const { return pending_.size(); }
    int lastError() const { return lastError_; }

private:
    Side side_;
    Log& log_;
    int fd_ = -1;
    int lastError_ = 0;
    std::string pending_;
};

} // namespace boxsim
