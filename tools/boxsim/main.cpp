// boxsim: a simulated Orvantis box for tests and demos.
//
//   boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]
//          [--box gen1|gen2|lx200|future|silent] [--ident TEXT] [--firmware TEXT] [--product TEXT]
//          [--split N] [--split-gap MS] [--stray HEX] [--reply-delay MS]
//
// Offers the box on a pseudo-terminal and on TCP 127.0.0.1:N, prints
// "PTY <path>", "TCP 127.0.0.1:<port>" and "READY" on stdout, then serves
// clients and control commands from stdin (see control.h) in one poll() loop.
// Traffic and the commands the box takes are logged to FILE, or to stderr
// (see log.h).
//
// The box answers on the side a request came from:
//   request          gen1     gen2     lx200    future   (silent: nothing)
//   GVn#             11.1#    1.20#    2.20#    3.00#
//   GVN#, #GVN#      11.1#    1.20#    30Eg#    3.00#
//   #GVP#            ORV-1#   ORV-2#   ORV-2#   ORV-2#
// --ident, --firmware and --product replace these replies with TEXT, sent
// exactly as given (so it must end with "#" itself; empty = no reply).
// Reply shaping: --split N sends every reply in chunks of N bytes, --split-gap MS
// apart (default 20); --reply-delay MS holds every reply back (default 0);
// --stray HEX sends these bytes once, right in front of the first reply.

#include "hex.h"
#include "simulator.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace boxsim {
namespace {

constexpr const char* usage =
    "usage: boxsim [--tcp-port N] [--log FILE] [--pty-link PATH]\n"
    "              [--box gen1|gen2|lx200|future|silent] [--ident TEXT] [--firmware TEXT] [--product TEXT]\n"
    "              [--split N] [--split-gap MS] [--stray HEX] [--reply-delay MS]\n";

bool takesValue(std::string_view arg)
{
    for (std::string_view name : { "--tcp-port", "--log", "--pty-link", "--box", "--ident", "--firmware",
                                   "--product", "--split", "--split-gap", "--stray", "--reply-delay" }) {
        if (arg == name)
            return true;
    }
    return false;
}

bool parseNumber(const std::string& value, unsigned long max, unsigned long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtoul(value.c_str(), &end, 10);
    return !value.empty() && value[0] != '-' && *end == '\0' && errno == 0 && out <= max;
}

bool parseArgs(int argc, char** argv, Options& opts, std::string& error)
{
    std::string boxName = "gen2";
    std::optional<std::string> ident, firmware, product;
    constexpr unsigned long maxMs = 3600000;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        } else if (takesValue(arg)) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        unsigned long number = 0;
        if (arg == "--tcp-port") {
            if (!parseNumber(value, 65535, number)) {
                error = "bad port " + value;
                return false;
            }
            opts.tcpPort = static_cast<std::uint16_t>(number);
        } else if (arg == "--log" && !value.empty()) {
            opts.logPath = value;
        } else if (arg == "--pty-link" && !value.empty()) {
            opts.ptyLink = value;
        } else if (arg == "--box") {
            if (!namedIdentity(value)) {
                error = "unknown box " + value + " (known: " + std::string(identityNames) + ")";
                return false;
            }
            boxName = value;
        } else if (arg == "--ident") {
            ident = value;
        } else if (arg == "--firmware") {
            firmware = value;
        } else if (arg == "--product") {
            product = value;
        } else if (arg == "--split") {
            if (!parseNumber(value, 65536, number) || number == 0) {
                error = "bad chunk size " + value;
                return false;
            }
            opts.shaping.split = number;
        } else if (arg == "--split-gap" || arg == "--reply-delay") {
            if (!parseNumber(value, maxMs, number)) {
                error = "bad milliseconds " + value;
                return false;
            }
            (arg == "--split-gap" ? opts.shaping.splitGap : opts.shaping.delay) = std::chrono::milliseconds(number);
        } else if (arg == "--stray") {
            auto bytes = parseHex(value);
            if (!bytes || bytes->empty()) {
                error = "bad hex " + value;
                return false;
            }
            opts.stray = std::move(*bytes);
        } else {
            error = "bad argument " + std::string(argv[i]);
            return false;
        }
    }

    opts.identity = *namedIdentity(boxName);
    if (ident)
        opts.identity.ident = *ident;
    if (firmware)
        opts.identity.firmware = *firmware;
    if (product)
        opts.identity.product = *product;
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
