// The running simulator: the pty, the TCP listener with its peer, the box and
// the control commands from stdin (see control.h), served in one poll() loop.
#pragma once

#include "box.h"
#include "control.h"
#include "log.h"
#include "options.h"
#include "pty.h"
#include "tcp.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace boxsim {

// Writes one line to stdout at once.
void say(std::string_view line);

class Simulator {
public:
    Simulator(Log& log, const Options& opts);

    // Opens the pty (and its link) and the TCP listener.
    bool start(const Options& opts, std::string& error);

    const std::string& ptyPath() const { return pty_.slavePath(); }
    std::uint16_t tcpPort() const { return tcp_.port(); }

    // Serves until quit, end of input or a byte on signalFd. Returns the exit status.
    int run(int signalFd);

private:
    enum Slot { SignalSlot, StdinSlot, PtySlot, ListenSlot, PeerSlot, SlotCount };

    const timespec* pollTimeout(timespec& wait) const;
    void deliver(Side side, std::string_view bytes);
    void drop(Side side);
    bool handlePty(short revents);
    void handlePeer(short revents);
    void handleStdin();
    void execute(const std::string& line);
    bool executeBoxCommand(const Command& cmd);

    Pty pty_;
    TcpServer tcp_;
    Box box_;
    LineReader lines_;
    bool quit_ = false;
};

} // namespace boxsim
