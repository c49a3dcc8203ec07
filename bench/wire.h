#pragma once
// A modelled serial line between the program and the simulated box. A pseudo-terminal delivers
// a write at once, so the program's bytes would reach the box faster than any real line could
// carry them; the box paces only what it sends. The wire is a pseudo-terminal of its own that the
// program opens, and a thread that passes each byte the program writes on to the box's
// pseudo-terminal only when it would have arrived over a line at the baud rate (10 bits a byte,
// back to back), and what the box sends (already paced by the box) back at once.

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace orv::bench {

class Wire {
public:
    Wire(const std::string& box_device, int baud);
    ~Wire();
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // The device the program opens.
    const std::string& path() const { return path_; }
    std::size_t bytes_to_box() const { return to_box_.load(); }

private:
    void run();

    std::string error_;
    std::string path_;
    long long ns_per_byte_ = 0;
    int box_fd_ = -1;
    int master_fd_ = -1;
    int slave_fd_ = -1;  // kept open so that the line stays up between the program's opens
    int stop_fd_ = -1;
    std::atomic<std::size_t> to_box_{0};
    std::thread thread_;
};

}  // namespace orv::bench
