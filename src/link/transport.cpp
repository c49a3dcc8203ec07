#include "link/transport.h"

#include <charconv>

namespace orv::link {

namespace {

std::optional<int> whole(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<platform::LineSettings> parse_line_settings(std::string_view text) {
    platform::LineSettings line;
    std::string_view parts[4];
    for (int i = 0; i < 4; ++i) {
        const auto comma = text.find(',');
        if ((i < 3) == (comma == std::string_view::npos)) return std::nullopt;
        parts[i] = text.substr(0, comma);
        text = i < 3 ? text.substr(comma + 1) : std::string_view{};
    }
    const auto baud = whole(parts[0]);
    const auto data = whole(parts[2]);
    const auto stop = whole(parts[3]);
    if (!baud || *baud <= 0 || !data || *data < 5 || *data > 8 || !stop || *stop < 1 ||
        *stop > 2 || parts[1].size() != 1)
        return std::nullopt;
    const char parity = parts[1][0];
    if (std::string_view("NEOMS").find(parity) == std::string_view::npos) return std::nullopt;
    line.baud = *baud;
    line.parity = parity;
    line.data_bits = *data;
    line.stop_bits = *stop;
    return line;
}

std::optional<std::uint16_t> parse_ip_port(std::string_view text) {
    // A sign is refused by the range: from_chars takes "-" only, and no port is below 1.
    const auto v = whole(text);
    if (!v || *v < 1 || *v > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

Transport::Transport(platform::SerialPort& serial, platform::TcpSocket& socket,
                     platform::PortDirectory& ports)
    : serial_(serial), socket_(socket), ports_(ports) {
    serial_.on_arrival = [this] { serial_arrival(); };
    serial_.on_lost = [this](const std::string& why) {
        closed();
        if (on_serial_lost) on_serial_lost(why);
    };
    socket_.on_connected = [this] {
        opened("TCP " + socket_peer_);
        if (on_socket_connected) on_socket_connected();
    };
    socket_.on_arrival = [this] {
        if (on_socket_arrival) on_socket_arrival();
    };
    socket_.on_error = [this](const std::string& why) {
        closed();
        if (on_socket_error) on_socket_error(why);
    };
}

void Transport::opened(const std::string& what) {
    received_ = 0;
    logged_open_ = true;
    if (on_traffic) on_traffic(Flow::Opened, what);
}

void Transport::closed() {
    if (!logged_open_) return;
    logged_open_ = false;
    if (on_traffic) on_traffic(Flow::Closed, {});
}

void Transport::passed(Flow flow, std::string_view bytes) {
    if (bytes.empty()) return;
    if (flow == Flow::Received) received_ += bytes.size();
    if (on_traffic) on_traffic(flow, bytes);
}

std::string Transport::received_now(std::string bytes) {
    passed(Flow::Received, bytes);
    return bytes;
}

void Transport::serial_arrival() {
    if (serial_owner_) {
        const auto owner = serial_owner_;  // the owner may release the port while it runs
        owner();
        return;
    }
    if (threshold_ > 0 && serial_.bytes_waiting() >= static_cast<std::size_t>(threshold_) &&
        on_serial_notify)
        on_serial_notify();
}

std::size_t Transport::in_count() const { return serial_.is_open() ? serial_.bytes_waiting() : 0; }

void Transport::discard_input() {
    if (serial_.is_open()) serial_.discard_input();
}

void Transport::discard_output() {
    if (serial_.is_open()) serial_.discard_output();
}

std::string Transport::open_serial() {
    const auto line = parse_line_settings(settings_);
    if (!line) {
        const auto comma = settings_.find(',');
        return "The baud rate \"" + settings_.substr(0, comma) +
               "\" is not a number. Choose one of 9600, 19200, 38400 or 57600 in Port Settings.";
    }
    const std::string name = "COM" + std::to_string(port_number_);
    const std::string path = ports_.device_path(port_number_);
    if (path.empty()) return name + " does not exist on this computer.";
    if (serial_.is_open()) serial_.close();
    const std::string why = serial_.open(path, *line);
    if (!why.empty()) return name + " (" + path + ") cannot be opened: " + why;
    opened(name + " (" + path + ") at " + settings_);
    return {};
}

void Transport::close_serial() {
    if (!serial_.is_open()) return;
    serial_.close();
    closed();
}

bool Transport::serial_open() const { return serial_.is_open(); }

bool Transport::write_serial(std::string_view bytes) {
    if (!serial_.is_open()) return false;
    serial_.write(bytes);
    passed(Flow::Sent, bytes);
    return true;
}

std::string Transport::read_serial() {
    return serial_.is_open() ? received_now(serial_.read_all()) : std::string{};
}

std::string Transport::connect_socket(const std::string& host, const std::string& port_text) {
    const auto port = parse_ip_port(port_text);
    if (!port)
        return "The IP port \"" + port_text +
               "\" is not a whole number from 1 to 65535. Correct it in Port Settings.";
    close_socket();
    socket_peer_ = host + ":" + port_text;
    socket_.connect_to(host, *port);
    return {};
}

void Transport::close_socket() {
    if (socket_.state() == platform::SocketState::Closed) return;
    socket_.close();
    closed();
}

platform::SocketState Transport::socket_state() const { return socket_.state(); }

bool Transport::socket_connected() const {
    return socket_.state() == platform::SocketState::Connected;
}

bool Transport::send_socket(std::string_view bytes) {
    if (!socket_connected()) return false;
    socket_.send(bytes);
    passed(Flow::Sent, bytes);
    return true;
}

std::string Transport::read_socket() { return received_now(socket_.read_all()); }

bool Transport::send_command(std::string_view bytes) {
    if (send_socket(bytes) || write_serial(bytes)) return true;
    if (on_not_connected) on_not_connected();
    return false;
}

}  // namespace orv::link
