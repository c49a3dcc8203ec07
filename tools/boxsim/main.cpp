// boxsim: a simulated Orvantis box for tests and demos (options: see options.h).
//
// Offers the box on a pseudo-terminal and on TCP 127.0.0.1:N, prints
// "PTY <path>", "TCP 127.0.0.1:<port>" and "READY" on stdout, then serves
// clients and control commands from stdin (see control.h) in one poll() loop.
// Traffic and the commands the box takes are logged to FILE, or to stderr
// (see log.h). The box answers on the side a request came from (see box.h).

#include "options.h"
#include "simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace boxsim {
namespace {

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

    Simulator sim(log, opts);
    if (!sim.start(opts, error)) {
        std::fprintf(stderr, "boxsim: %s\n", error.c_str());
        return 1;
    }
    say("PTY " + sim.ptyPath());
    say("TCP 127.0.0.1:" + std::to_string(sim.tcpPort()));
    say("READY");
    return sim.run(signalPipe[0]);
}
