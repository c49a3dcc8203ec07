#pragma once
// The two ways to the box, a serial port and a TCP socket to a network-to-serial gateway, and
// the one rule by which every command is sent.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/port_directory.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"

namespace orv::link {

inline constexpr const char* kNotConnected =
    "Not connected. Choose a port, press CONNECT and wait until the Orvantis is found.";

// "9600,N,8,1" -> its parts; nullopt when the text is not such a line setting.
std::optional<platform::LineSettings> parse_line_settings(std::string_view text);

// "23" -> 23; nullopt unless the text is a whole number from 1 to 65535.
std::optional<std::uint16_t> parse_ip_port(std::string_view text);

// What passes through the transport, for the traffic log.
enum class Flow { Opened, Sent, Received, Closed };

class Transport {
public:
    Transport(platform::SerialPort& serial, platform::TcpSocket& socket,
              platform::PortDirectory& ports);
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // --- serial port ---
    void set_line_settings(std::string text) { settings_ = std::move(text); }
    const std::string& line_settings() const { return settings_; }
    void set_port_number(int n) { port_number_ = n; }
    int port_number() const { return port_number_; }
    // The receive threshold: the notification is raised once at least this many bytes wait.
    // Stored whether or not the port is open.
    void set_threshold(int n) { threshold_ = n; }
    int threshold() const { return threshold_; }
    std::size_t in_count() const;
    void discard_input();
    void discard_output();
    // Opens the port with the stored line settings and number. "" on success, else why not.
    std::string open_serial();
    void close_serial();
    bool serial_open() const;
    // Writes to the serial port; false (and nothing written) when it is closed.
    bool write_serial(std::string_view bytes);
    std::string read_serial();
    // While a sequence owns the serial port (settings write, programming) every arrival goes to
    // it and none to the receiver's notification.
    void own_serial(std::function<void()> on_arrival) { serial_owner_ = std::move(on_arrival); }
    void release_serial() { serial_owner_ = nullptr; }
    bool serial_owned() const { return static_cast<bool>(serial_owner_); }

    // --- socket ---
    // Starts connecting to host and port as the user typed them (closing a socket that is not
    // closed first). "" when the connect was started, else why not.
    std::string connect_socket(const std::string& host, const std::string& port_text);
    void close_socket();
    platform::SocketState socket_state() const;
    platform::SocketFailure socket_failure() const { return socket_.failure(); }
    bool socket_connected() const;
    // Sends over the socket; false (and nothing sent) unless it is connected.
    bool send_socket(std::string_view bytes);
    std::string read_socket();

    // Whether either transport can take a command now.
    bool link_open() const { return socket_connected() || serial_open(); }

    // The send rule: over the socket when it is connected, otherwise to the serial port.
    // With neither open nothing is sent, on_not_connected is raised and false returned.
    bool send_command(std::string_view bytes);

    // Bytes read from the box since the link opened; 0 means it has said nothing at all.
    std::size_t received() const { return received_; }

    // Every byte sent and read as it passes, and the link opening ("COM3 (/dev/ttyUSB0) at
    // 9600,N,8,1", "TCP 127.0.0.1:4001") and closing.
    std::function<void(Flow, std::string_view)> on_traffic;

    std::function<void()> on_serial_notify;
    std::function<void(const std::string&)> on_serial_lost;
    std::function<void()> on_socket_connected;
    std::function<void()> on_socket_arrival;
    std::function<void(const std::string&)> on_socket_error;
    std::function<void()> on_not_connected;

private:
    void serial_arrival();
    void opened(const std::string& what);
    void closed();
    void passed(Flow flow, std::string_view bytes);
    // Reports bytes just read and hands them on.
    std::string received_now(std::string bytes);

    platform::SerialPort& serial_;
    platform::TcpSocket& socket_;
    platform::PortDirectory& ports_;
    std::string settings_;
    int port_number_ = 1;
    int threshold_ = 0;
    std::size_t received_ = 0;
    bool logged_open_ = false;
    std::string socket_peer_;
    std::function<void()> serial_owner_;
};

}  // namespace orv::link
