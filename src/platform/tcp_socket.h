#pragma once
// A TCP client socket towards a network-to-serial gateway in front of the box.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orv::platform {

enum class SocketState { Closed, Connecting, Connected };

// A connected gateway whose network acknowledges nothing for this long, not even the socket's
// own keepalive probes, is given up as gone.
inline constexpr int kSilentGatewayMs = 6000;

// Why the last connect failed, where the machine told it apart.
enum class SocketFailure { Other, Refused, NoRoute, UnknownHost, TimedOut };

class TcpSocket {
public:
    virtual ~TcpSocket() = default;

    // Starts an asynchronous connect; success comes as on_connected, failure as on_error.
    virtual void connect_to(const std::string& host, std::uint16_t port) = 0;
    virtual void close() = 0;
    virtual SocketState state() const = 0;
    // Sends the bytes exactly as they are, in one write.
    virtual void send(std::string_view bytes) = 0;
    // Returns and removes the data that has arrived.
    virtual std::string read_all() = 0;
    // The kind of the last failure reported through on_error.
    virtual SocketFailure failure() const { return SocketFailure::Other; }

    std::function<void()> on_connected;
    std::function<void()> on_arrival;
    // A failed connect or a lost connection; the socket is closed by then.
    std::function<void(const std::string& why)> on_error;
};

}  // namespace orv::platform
