#include "pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace boxsim {

namespace {

std::string failure(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

Pty::Pty(Log& log)
    : log_(log)
    , master_(Side::Pty, log)
{
}

Pty::~Pty()
{
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
}

void Pty::unplug()
{
    if (!master_.isOpen())
        return;
    // The link first, so that nobody finds it pointing at a node that is gone.
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
    linkPath_.clear();
    master_.close();
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    slaveFd_ = -1;
    log_.event(Side::Pty, "CLOSE");
}

bool Pty::open(std::string& error)
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error = failure("posix_openpt");
        return false;
    }
    master_.attach(fd);
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        error = failure("grantpt/unlockpt");
        return false;
    }
    const char* name = ::ptsname(fd);
    if (!name) {
        error = failure("ptsname");
        return false;
    }
    slavePath_ = name;

    slaveFd_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd_ < 0) {
        error = failure(("open " + slavePath_).c_str());
        return false;
    }

    termios tio {};
    if (::tcgetattr(slaveFd_, &tio) != 0) {
        error = failure("tcgetattr");
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
#ifdef CRTSCTS
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(slaveFd_, TCSANOW, &tio) != 0) {
        error = failure("tcsetattr");
        return false;
    }
    return true;
}

bool Pty::link(const std::string& path, std::string& error)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = path + " exists and is not a symlink";
            return false;
        }
        if (::unlink(path.c_str()) != 0) {
            error = failure(("unlink " + path).c_str());
            return false;
        }
    }
    if (::symlink(slavePath_.c_str(), path.c_str()) != 0) {
        error = failure(("symlink " + path).c_str());
        return false;
    }
    linkPath_ = path;
    return true;
}

} // namespace boxsim
