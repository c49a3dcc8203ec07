// Starts a program on an X server and reports, from the server's side, how long it took until
// its first top-level window whose title contains NAME was mapped, and until that window first
// showed painted content; and the program's resident memory then and after a settling time.
//
// Painted content is read from the screen: on a server started with a black root window (Xvfb
// -br), a window that has not painted yet shows black, so the first non-black pixel on a line
// across its middle marks the first paint.
//
// Usage: xlaunch --name NAME [--settle MS] [--timeout MS] -- PROGRAM [ARGS...]
// Prints one line: "map_ms=.. paint_ms=.. rss_paint_kib=.. rss_settled_kib=..".

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

double now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string title_of(Display* d, Window w) {
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &items, &after, &data) ==
            Success &&
        data != nullptr) {
        out.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    if (out.empty()) {
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name != nullptr) {
            out = name;
            XFree(name);
        }
    }
    return out;
}

long rss_kib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Whether a line across the middle of the window shows anything but black.
bool painted(Display* d, Window w) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable || a.width < 2 || a.height < 2)
        return false;
    XImage* img = XGetImage(d, w, 0, a.height / 2, static_cast<unsigned>(a.width), 1, AllPlanes, ZPixmap);
    if (img == nullptr) return false;
    bool any = false;
    for (int x = 0; x < a.width && !any; ++x) any = (XGetPixel(img, x, 0) & 0xFFFFFF) != 0;
    XDestroyImage(img);
    return any;
}

int ignore_errors(Display*, XErrorEvent*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
    std::string name;
    int settle_ms = 2000;
    int timeout_ms = 20000;
    int first = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            first = i + 1;
            break;
        }
        if (i + 1 >= argc) break;
        if (arg == "--name") name = lower(argv[++i]);
        else if (arg == "--settle") settle_ms = std::atoi(argv[++i]);
        else if (arg == "--timeout") timeout_ms = std::atoi(argv[++i]);
    }
    if (first < 0 || first >= argc || name.empty()) {
        std::fprintf(stderr, "usage: xlaunch --name NAME [--settle MS] [--timeout MS] -- PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        std::fprintf(stderr, "xlaunch: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XSync(d, False);

    const double start = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        // The program's own chatter is not part of the figures.
        const int null_fd = open("/dev/null", O_WRONLY);
        if (null_fd >= 0) {
            dup2(null_fd, STDOUT_FILENO);
            dup2(null_fd, STDERR_FILENO);
        }
        execvp(argv[first], argv + first);
        _exit(127);
    }

    std::vector<Window> mapped;
    Window found = 0;
    double map_ms = -1, paint_ms = -1;
    long rss_paint = -1;
    while (now_ms() - start < timeout_ms && paint_ms < 0) {
        while (XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == MapNotify && e.xmap.event == root) mapped.push_back(e.xmap.window);
        }
        if (found == 0) {
            for (Window w : mapped) {
                if (lower(title_of(d, w)).find(name) != std::string::npos) {
                    found = w;
                    map_ms = now_ms() - start;
                    break;
                }
            }
        }
        if (found != 0 && painted(d, found)) {
            paint_ms = now_ms() - start;
            rss_paint = rss_kib(pid);
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "xlaunch: %s ended before its window was painted\n", argv[first]);
            return 1;
        }
        usleep(1000);
    }
    long rss_settled = -1;
    if (paint_ms >= 0) {
        usleep(static_cast<useconds_t>(settle_ms) * 1000);
        rss_settled = rss_kib(pid);
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) break;
        if (i == 199) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        usleep(10000);
    }
    XCloseDisplay(d);
    if (paint_ms < 0) {
        std::fprintf(stderr, "xlaunch: no painted window titled like \"%s\" within %d ms\n", name.c_str(),
                     timeout_ms);
        return 1;
    }
    std::printf("map_ms=%.1f paint_ms=%.1f rss_paint_kib=%ld rss_settled_kib=%ld\n", map_ms, paint_ms,
                rss_paint, rss_settled);
    return 0;
}
