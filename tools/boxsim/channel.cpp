#include "channel.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace boxsim {

Channel::Channel(Side side, Log& log)
    : side_(side)
    , log_(log)
{
}

Channel::~Channel()
{
    close();
}

void Channel::attach(int fd)
{
    close();
    fd_ = fd;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
}

void Channel::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

short Channel::pollEvents() const
{
    return static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT));
}

Channel::Status Channel::readSome(const Sink& sink)
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
            const std::string_view bytes(buf, static_cast<std::size_t>(n));
            log_.rx(side_, bytes);
            sink(bytes);
            return Status::Ok;
        }
        if (n == 0)
            return Status::Closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return Status::Ok;
        lastError_ = errno;
        return Status::Failed;
    }
}

Channel::Status Channel::send(std::string_view bytes)
{
    pending_.append(bytes);
    return flush();
}

Channel::Status Channel::flush()
{
    while (!pending_.empty()) {
        const ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n > 0) {
            log_.tx(side_, std::string_view(pending_).substr(0, static_cast<std::size_t>(n)));
            pending_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Status::Ok;
        lastError_ = n < 0 ? errno : EIO;
        return Status::Failed;
    }
    return Status::Ok;
}

} // namespace boxsim
