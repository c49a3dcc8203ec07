// boxsim: a simulated Orvantis box for tests and demos.
//
//   boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]
//
// Offers the box on a pseudo-terminal and on TCP 127.0.0.1:N, prints
// "PTY <path>", "TCP 127.0.0.1:<port>" and "READY" on stdout, then serves
// clients and control commands from stdin (see control.h) in one poll() loop.
// Traffic is logged to FILE, or to stderr (see log.h).

#include "box.h"
#include "control.h"
#include "log.h"
#include "pty.h"
#include "tcp.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace boxsim {
namespace {

struct Options {
    std::uint16_t tcpPort = 0;
    std::string logPath;
    std::string ptyLink;
};

constexpr const char* usage = "usage: boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]\n";

bool parseArgs(int argc, char** argv, Options& opts, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        } else if (arg == "--tcp-port" || arg == "--log" || arg == "--pty-link") {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        if (arg == "--tcp-port") {
            char* end = nullptr;
            errno = 0;
            const unsigned long port = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || port > 65535) {
                error = "bad port " + value;
                return false;
            }
            opts.tcpPort = static_cast<std::uint16_t>(port);
        } else if (arg == "--log" && !value.empty()) {
            opts.logPath = value;
        } else if (arg == "--pty-link" && !value.empty()) {
            opts.ptyLink = value;
        } else {
            error = "bad argument " + std::string(argv[i]);
            return false;
        }
    }
    return true;
}

// Self-pipe: the signal handler only writes a byte, the poll loop sees it.
int signalPipe[2] = { -1, -1 };

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignals(std::string& error)
{
    if (::pipe(signalPipe) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    for (int fd : signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : { SIGTERM, SIGINT, SIGHUP })
        ::sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void say(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Simulator {
public:
    explicit Simulator(Log& log)
        : pty_(log)
        , tcp_(log)
        , box_([this](Side side, std::string_view bytes) { deliver(side, bytes); })
    {
    }

    bool start(const Options& opts, std::string& error)
    {
        if (!pty_.open(error))
            return false;
        if (!opts.ptyLink.empty() && !pty_.link(opts.ptyLink, error))
            return false;
        return tcp_.listen(opts.tcpPort, error);
    }

    const std::string& ptyPath() const { return pty_.slavePath(); }
    std::uint16_t tcpPort() const { return tcp_.port(); }

    // Returns the exit status.
    int run();

private:
    enum Slot { SignalSlot, StdinSlot, PtySlot, ListenSlot, PeerSlot, SlotCount };

    void deliver(Side side, std::string_view bytes);
    bool handlePty(short revents);
    void handlePeer(short revents);
    void handleStdin();
    void execute(const std::string& line);

    Pty pty_;
    TcpServer tcp_;
    Box box_;
    LineReader lines_;
    bool quit_ = false;
};

int Simulator::run()
{
    while (!quit_) {
        pollfd fds[SlotCount] {};
        fds[SignalSlot] = { signalPipe[0], POLLIN, 0 };
        fds[StdinSlot] = { STDIN_FILENO, POLLIN, 0 };
        fds[PtySlot] = { pty_.master().fd(), pty_.master().pollEvents(), 0 };
        fds[ListenSlot] = { tcp_.listenFd(), POLLIN, 0 };
        fds[PeerSlot] = { tcp_.peer().fd(), tcp_.peer().pollEvents(), 0 }; // fd -1 is ignored

        if (::poll(fds, SlotCount, -1) < 0) {
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
        if (fds[PeerSlot].revents)
            handlePeer(fds[PeerSlot].revents);
        if (fds[ListenSlot].revents)
            tcp_.acceptPending();
        if (fds[StdinSlot].revents)
            handleStdin();
    }
    return 0;
}

bool Simulator::handlePty(short revents)
{
    Channel& master = pty_.master();
    Channel::Status status = Channel::Status::Ok;
    if (revents & (POLLIN | POLLHUP | POLLERR))
        status = master.readSome([this](std::string_view bytes) { box_.receive(Side::Pty, bytes); });
    if (status == Channel::Status::Ok && (revents & POLLOUT))
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
        status = peer.readSome([this](std::string_view bytes) { box_.receive(Side::Tcp, bytes); });
    if (status == Channel::Status::Ok && (revents & POLLOUT))
        status = peer.flush();
    if (status != Channel::Status::Ok)
        tcp_.closePeer();
}

void Simulator::deliver(Side side, std::string_view bytes)
{
    if (side == Side::Pty) {
        // A write failure shows up again on the next poll and ends the program.
        pty_.master().send(bytes);
    } else if (tcp_.peer().isOpen() && tcp_.peer().send(bytes) != Channel::Status::Ok) {
        tcp_.closePeer();
    }
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
        deliver(Side::Pty, cmd->bytes);
        break;
    case Command::Kind::SendTcp:
        if (!tcp_.peer().isOpen()) {
            say("ERR no tcp peer");
            return;
        }
        deliver(Side::Tcp, cmd->bytes);
        break;
    }
    say("OK");
}

} // namespace
} // namespace boxsim

int main(int argc, char** argv)
{
    using namespace boxsim;

    Options opts;
    std::string error;
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (!parseArgs(argc, argv, opts, error)) {
        std::fprintf(stderr, "boxsim: %s\n%s", error.c_str(), usage);
        return 2;
    }
    if (!installSignals(error)) {
        std::fprintf(stderr, "boxsim: %s\n", error.c_str());
        return 1;
    }

    Log log;
    if (!opts.logPath.empty() && !log.open(opts.logPath)) {
        std::fprintf(stderr, "boxsim: cannot open log %s: %s\n", opts.logPath.c_str(), std::strerror(errno));
        return 1;
    }

    Simulator sim(log);
    if (!sim.start(opts, error)) {
        std::fprintf(stderr, "boxsim: %s\n", error.c_str());
        return 1;
    }
    say("PTY " + sim.ptyPath());
    say("TCP 127.0.0.1:" + std::to_string(sim.tcpPort()));
    say("READY");
    return sim.run();
}
