// The pseudo-terminal that stands in for the box's serial port.
//
// boxsim keeps its own fd on the slave side open for its whole life. That way
// the master never reports hang-up (EIO / POLLHUP) while no client has the
// slave open, so the poll loop stays idle. The slave is put in raw 8-bit mode
// so that all byte values pass unchanged in both directions.
#pragma once

#include "channel.h"

#include <string>

namespace boxsim {

class Pty {
public:
    explicit Pty(Log& log);
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Creates master and slave. On failure returns false with a message in error.
    bool open(std::string& error);

    // Creates the symlink path -> slave path, replacing an existing symlink
    // (but never another kind of file). The link is removed by the destructor.
    bool link(const std::string& path, std::string& error);

    const std::string& slavePath() const { return slavePath_; }
    Channel& master() { return master_; }

private:
    Channel master_;
    int slaveFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

} // namespace boxsim
