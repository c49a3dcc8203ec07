#pragma once
// A serial device as the program needs it: a byte stream with a count of waiting bytes.
// The receive threshold, the line settings text and the COM number live in the link layer;
// this is only the device.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orv::platform {

struct LineSettings {
    int baud = 9600;
    char parity = 'N';
    int data_bits = 8;
    int stop_bits = 1;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device at `path`. Returns "" on success, otherwise what went wrong in words a
    // user understands ("no such device", "in use by another program", "permission denied").
    virtual std::string open(const std::string& path, const LineSettings& line) = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;

    // Writes the bytes exactly as they are.
    virtual void write(std::string_view bytes) = 0;
    // Number of received bytes waiting to be read.
    virtual std::size_t bytes_waiting() const = 0;
    // Returns and removes every waiting byte.
    virtual std::string read_all() = 0;
    // Drops waiting input / output not yet transmitted.
    virtual void discard_input() = 0;
    virtual void discard_output() = 0;

    // Raised after new bytes have arrived.
    std::function<void()> on_arrival;
    // Raised once when the device is lost (unplugged, hung up, I/O error); the port is closed
    // by then.
    std::function<void(const std::string& why)> on_lost;
};

}  // namespace orv::platform
