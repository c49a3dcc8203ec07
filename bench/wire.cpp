#include "wire.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

namespace orv::bench {

namespace {

using Steady = std::chrono::steady_clock;

bool make_raw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Writes what it can of `pending` without blocking; false on a hard error.
bool flush(int fd, std::string& pending) {
    while (!pending.empty()) {
        const ssize_t n = ::write(fd, pending.data(), pending.size());
        if (n > 0) {
            pending.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

}  // namespace

Wire::Wire(const std::string& box_device, int baud) {
    ns_per_byte_ = (10LL * 1'000'000'000LL + baud - 1) / baud;
    box_fd_ = ::open(box_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    master_fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (box_fd_ < 0 || master_fd_ < 0 || ::grantpt(master_fd_) != 0 || ::unlockpt(master_fd_) != 0) {
        error_ = std::string("cannot open the line: ") + std::strerror(errno);
        return;
    }
    ::fcntl(master_fd_, F_SETFL, ::fcntl(master_fd_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_fd_, F_SETFD, FD_CLOEXEC);
    path_ = ::ptsname(master_fd_);
    slave_fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_fd_ < 0 || !make_raw(slave_fd_) || !make_raw(box_fd_)) {
        error_ = std::string("cannot set up the line: ") + std::strerror(errno);
        return;
    }
    stop_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { run(); });
}

Wire::~Wire() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(stop_fd_, &one, sizeof one);
        thread_.join();
    }
    for (int fd : {box_fd_, master_fd_, slave_fd_, stop_fd_})
        if (fd >= 0) ::close(fd);
}

void Wire::run() {
    // Bytes from the program with the time their last bit reaches the box.
    std::deque<std::pair<Steady::time_point, char>> line;
    Steady::time_point line_free{};
    std::string to_box;
    std::string to_program;
    const auto byte_time = std::chrono::nanoseconds(ns_per_byte_);
    // Wake no more often than this while bytes are on the line, except for the last one.
    const auto least_sleep = std::chrono::microseconds(200);
    char buf[4096];
    for (;;) {
        int timeout_ns = -1;
        timespec ts{};
        if (!line.empty()) {
            const auto now = Steady::now();
            auto wake = std::max(line.front().first, now + least_sleep);
            wake = std::min(wake, line.back().first);
            const auto wait = std::max<Steady::duration>(wake - now, Steady::duration::zero());
            const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000LL);
            ts.tv_nsec = static_cast<long>(ns % 1'000'000'000LL);
            timeout_ns = 0;
        }
        pollfd fds[3] = {{stop_fd_, POLLIN, 0},
                         {master_fd_, static_cast<short>(POLLIN | (to_program.empty() ? 0 : POLLOUT)), 0},
                         {box_fd_, static_cast<short>(POLLIN | (to_box.empty() ? 0 : POLLOUT)), 0}};
        const int r = ::ppoll(fds, 3, timeout_ns < 0 ? nullptr : &ts, nullptr);
        if (r < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(master_fd_, buf, sizeof buf);
            const auto now = Steady::now();
            for (ssize_t i = 0; i < n; ++i) {
                line_free = std::max(line_free, now) + byte_time;
                line.emplace_back(line_free, buf[i]);
            }
        }
        if (fds[2].revents & POLLIN) {
            const ssize_t n = ::read(box_fd_, buf, sizeof buf);
            if (n > 0) to_program.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR)) return;  // the box is gone
        } else if (fds[2].revents & (POLLHUP | POLLERR)) {
            return;
        }
        const auto now = Steady::now();
        while (!line.empty() && line.front().first <= now) {
            to_box += line.front().second;
            line.pop_front();
            to_box_.fetch_add(1);
        }
        if (!flush(box_fd_, to_box) || !flush(master_fd_, to_program)) return;
    }
}

}  // namespace orv::bench
