#include "simulator.h"

#include "hex.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace boxsim {

void say(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Simulator::Simulator(Log& log, const Options& opts)
    : pty_(log)
    , tcp_(log)
    , box_(
          log, opts.box, [this](Side side, std::string_view bytes) { deliver(side, bytes); },
          [this](Side side) { drop(side); })
{
}

bool Simulator::start(const Options& opts, std::string& error)
{
    if (!pty_.open(error))
        return false;
    if (!opts.ptyLink.empty() && !pty_.link(opts.ptyLink, error))
        return false;
    return tcp_.listen(opts.tcpPort, error);
}

int Simulator::run(int signalFd)
{
    while (!quit_) {
        pollfd fds[SlotCount] {};
        fds[SignalSlot] = { signalFd, POLLIN, 0 };
        fds[StdinSlot] = { STDIN_FILENO, POLLIN, 0 };
        fds[PtySlot] = { pty_.master().fd(), pty_.master().pollEvents(), 0 };
        fds[ListenSlot] = { tcp_.listenFd(), POLLIN, 0 };
        fds[PeerSlot] = { tcp_.peer().fd(), tcp_.peer().pollEvents(), 0 }; // fd -1 is ignored

        timespec wait {};
        if (::ppoll(fds, SlotCount, pollTimeout(wait), nullptr) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "boxsim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[SignalSlot].revents)
            return 0;
        if (fds[PtySlot].revents && !handlePty(fds[PtySlot].revents))
            return 1;
        // The peer before the listener: accepting may replace the peer's fd.
        // A new peer starts with nothing half received and no replies owed.
        if (fds[PeerSlot].revents)
            handlePeer(fds[PeerSlot].revents);
        if (fds[ListenSlot].revents && tcp_.acceptPending())
            box_.reset(Side::Tcp);
        if (fds[StdinSlot].revents)
            handleStdin();
        box_.releaseDue(Box::Clock::now());
    }
    return 0;
}

// Until the next delayed or split reply is due, to the nanosecond: a byte paced
// at the baud rate leaves when its last bit would be out, not at the next whole
// millisecond. The kernel never wakes the loop early, so it does not spin.
// Null when nothing is due (wait for the next event).
const timespec* Simulator::pollTimeout(timespec& wait) const
{
    const auto due = box_.nextDue();
    if (!due)
        return nullptr;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*due - Box::Clock::now()).count();
    if (ns > 0) {
        wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    return &wait;
}

bool Simulator::handlePty(short revents)
{
    Channel& master = pty_.master();
    Channel::Status status = Channel::Status::Ok;
    if (revents & (POLLIN | POLLHUP | POLLERR))
        status = master.readSome([this](std::string_view bytes) { box_.receive(Side::Pty, bytes, Box::Clock::now()); });
    if (status == Channel::Status::Ok && master.isOpen() && (revents & POLLOUT))
        status = master.flush();
    if (status == Channel::Status::Ok)
        return true;
    // Our own slave fd keeps the master usable, so this is not expected; stop
    // rather than spin on a dead fd.
    std::fprintf(stderr, "boxsim: pty failed: %s\n",
                 status == Channel::Status::Closed ? "end of stream" : std::strerror(master.lastError()));
    return false;
}

void Simulator::handlePeer(short revents)
{
    Channel& peer = tcp_.peer();
    Channel::Status status = Channel::Status::Ok;
    if (revents & (POLLIN | POLLHUP | POLLERR))
        status = peer.readSome([this](std::string_view bytes) { box_.receive(Side::Tcp, bytes, Box::Clock::now()); });
    if (status == Channel::Status::Ok && peer.isOpen() && (revents & POLLOUT))
        status = peer.flush();
    if (status != Channel::Status::Ok)
        tcp_.closePeer();
}

void Simulator::deliver(Side side, std::string_view bytes)
{
    if (side == Side::Pty) {
        // A write failure shows up again on the next poll and ends the program.
        if (pty_.isOpen())
            pty_.master().send(bytes);
    } else if (tcp_.peer().isOpen() && tcp_.peer().send(bytes) != Channel::Status::Ok) {
        tcp_.closePeer();
    }
}

// A fault closes the link (the box has already forgotten the side's state).
void Simulator::drop(Side side)
{
    if (side == Side::Pty)
        pty_.unplug();
    else
        tcp_.closePeer();
}

void Simulator::handleStdin()
{
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR)
        return;
    if (n > 0) {
        lines_.append(std::string_view(buf, static_cast<std::size_t>(n)));
        while (!quit_) {
            auto line = lines_.next();
            if (!line)
                break;
            execute(*line);
        }
        return;
    }
    // End of input (or a read error): the last unterminated line still counts.
    const std::string rest = lines_.takeRest();
    if (!quit_ && !rest.empty())
        execute(rest);
    quit_ = true;
}

void Simulator::execute(const std::string& line)
{
    std::string error;
    const auto cmd = parseCommand(line, error);
    if (!cmd) {
        if (!error.empty())
            say("ERR " + error);
        return;
    }
    switch (cmd->kind) {
    case Command::Kind::Quit:
        quit_ = true;
        break;
    case Command::Kind::Send:
        deliver(Side::Pty, cmd->bytes);
        deliver(Side::Tcp, cmd->bytes);
        break;
    case Command::Kind::SendPty:
        if (!pty_.isOpen()) {
            say("ERR no pty");
            return;
        }
        deliver(Side::Pty, cmd->bytes);
        break;
    case Command::Kind::SendTcp:
        if (!tcp_.peer().isOpen()) {
            say("ERR no tcp peer");
            return;
        }
        deliver(Side::Tcp, cmd->bytes);
        break;
    case Command::Kind::Box:
        if (!box_.selectIdentity(cmd->bytes)) {
            say("ERR unknown box " + cmd->bytes);
            return;
        }
        break;
    case Command::Kind::Silent:
        box_.setSilent(cmd->on);
        break;
    default:
        if (!executeBoxCommand(*cmd))
            return;
        break;
    }
    say("OK");
}

// fault, dump, state, memdump: false if the command has answered itself.
bool Simulator::executeBoxCommand(const Command& cmd)
{
    std::string error;
    switch (cmd.kind) {
    case Command::Kind::Fault:
        if (!box_.setFault(cmd.bytes, cmd.value, error)) {
            say("ERR " + error);
            return false;
        }
        return true;
    case Command::Kind::Dump:
        say("OK " + toHex(box_.record().dump()));
        return false;
    case Command::Kind::State:
        say("OK " + box_.state());
        return false;
    case Command::Kind::MemDump: {
        std::FILE* f = std::fopen(cmd.bytes.c_str(), "wb");
        const std::string memory = box_.memory();
        const bool written = f && std::fwrite(memory.data(), 1, memory.size(), f) == memory.size();
        if ((f && std::fclose(f) != 0) || !written) {
            say("ERR cannot write " + cmd.bytes);
            return false;
        }
        return true;
    }
    default:
        return true;
    }
}

} // namespace boxsim
