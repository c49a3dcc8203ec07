// The pseudo-terminal that stands in for the box's serial port.
//
// boxsim keeps its own fd on the slave side open for its whole life. That way
// the master never reports hang-up (EIO / POLLHUP) while no client has the
// slave open, so the poll loop stays idle. The slave is put in raw 8-bit mode
// so that all byte values pass unchanged in both directions.
//
// unplug() stands in for a pulled cable: it closes the master and boxsim's
// own slave fd and removes the link. The kernel then hangs up the slave: the
// /dev/pts node is gone at once (opening it or the link fails with ENOENT),
// a client's poll() reports POLLHUP|POLLERR|POLLIN, read() returns 0 (end of
// file), write() and tcgetattr() fail with EIO. A Qt serial port reports
// this as a read error (and the device file as gone). boxsim itself keeps
// running for the TCP side and the control commands.
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

    // Ends the pty for good (see above); logs "pty CLOSE".
    void unplug();
    bool isOpen() const { return master_.isOpen(); }

    const std::string& slavePath() const { return slavePath_; }
    Channel& master() { return master_; }

private:
    Log& log_;
    Channel master_;
    int slaveFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

} // namespace boxsim
