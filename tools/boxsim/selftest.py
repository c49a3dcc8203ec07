#!/usr/bin/env python3
# The simulator as a process, for what the unit test's table (box_test.cpp) cannot show: its pty
# and TCP fronts, links closed by a fault, the control channel, the log file and the ways it ends.
# Usage: selftest.py path/to/boxsim
import atexit, os, re, select, shutil, signal, socket, subprocess, sys, tempfile, time

tmp = tempfile.mkdtemp(prefix="boxsim-selftest.")
LOG, LINK, MEM = (os.path.join(tmp, name) for name in ("log", "tty", "memory"))
procs = []
atexit.register(lambda: ([q.kill() for q in procs if q.poll() is None], shutil.rmtree(tmp)))

def check(ok, what): ok or sys.exit("FAIL: " + what)

def start(*extra):  # the process, its pty and its TCP port, once it is ready
    p = subprocess.Popen([sys.argv[1], "--log", LOG, "--pty-link", LINK, *extra],
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    procs.append(p)
    hello = [p.stdout.readline().split() for _ in range(3)]
    check([w[0] for w in hello] == ["PTY", "TCP", "READY"] and os.path.realpath(LINK) == hello[0][1],
          "startup lines %r" % hello)
    return p, hello[0][1], int(hello[1][1].rsplit(":", 1)[1])

def control(p, line):  # a control command's answer
    p.stdin.write(line + "\n"); return p.stdout.readline().strip()

def get(fd, n):  # n bytes; fewer at the end of the stream; None if they do not come in 3 s
    data = b""
    while len(data) < n:
        if not select.select([fd], [], [], 3)[0]: return None
        try: chunk = os.read(fd, n - len(data))
        except OSError: chunk = b""  # EIO: a pty whose other end is gone
        if not chunk: return data
        data += chunk
    return data

def logged(until):  # the log's lines without their time stamps, once `until` is among them
    for _ in range(300):
        lines = [re.sub(r"^\d+\.\d{3} (?=(pty|tcp) [A-Z])", "", l) for l in open(LOG)]
        if until + "\n" in lines: break
        time.sleep(0.01)
    return "".join(lines)

with open(MEM, "wb") as f: f.write(b"xyz")
p, pts, port = start("--memory-file", MEM)
tcp = lambda: socket.create_connection(("127.0.0.1", port)).detach()
pty = lambda: os.open(LINK, os.O_RDWR | os.O_NOCTTY)
check(control(p, "memdump " + MEM) == "OK" and open(MEM, "rb").read() == b"xyz" + b"\xff" * 28669,
      "--memory-file")
check(control(p, "fault x 1").startswith("ERR unknown fault x") and
      control(p, "fault reply-delay 30") == "OK", "a fault refused, one set")
a = pty()
os.write(a, b"GVn#")
check(get(a, 5) == b"1.20#", "a delayed reply leaves with nothing else to wake the box")
check(logged("pty TX 31 2e 32 30 23") == "pty RX 47 56 6e 23\npty CMD GVn#\npty TX 31 2e 32 30 23\n",
      "the log of a command")
os.close(a)
if os.fork() == 0:  # a client that takes the pty as its controlling terminal, and exits
    os.setsid(); os.close(os.open(pts, os.O_RDWR)); os._exit(0)
os.wait()
ticks = lambda: sum(map(int, open("/proc/%d/stat" % p.pid).read().rsplit(")")[1].split()[11:13]))
t0 = ticks(); time.sleep(0.5)
check(ticks() - t0 <= 2, "busy while idle, after the pty's clients left")

# A second TCP client replaces the first, without the half request the first left.
a = tcp()
os.write(a, b"GV")
logged("tcp RX 47 56")
b = tcp()
os.write(b, b"n#GVn#GVn#")
check(get(a, 9) == b"" and get(b, 10) == b"1.20#" * 2, "the new client replaces the old afresh")

# Faults close the links: the TCP peer's, then the pty's, whose node and link go with it.
check(control(p, "fault drop-after-bytes 4") == "OK", "fault drop-after-bytes")
os.write(b, b"GVn#GVn#")
check(get(b, 9) == b"", "the TCP peer closed after 4 bytes")
a, b = pty(), tcp()
check(control(p, "fault drop-after-block 0") == "OK", "fault drop-after-block")
os.write(a, b"ROB#" + bytes(128))
check(get(a, 9) == b"" and not os.path.exists(pts) and not os.path.lexists(LINK), "unplugged")
check(control(p, "sendpty 00") == "ERR no pty", "sendpty without a pty")
os.write(b, b"GVn#")
check(get(b, 5) == b"1.20#", "TCP still served, a drop closes a link once")
check(re.findall(r"^\w+ [A-Z]+$", logged("pty CLOSE"), re.M) ==
      ["tcp CONNECT", "tcp CLOSE", "tcp CONNECT", "tcp DROP", "tcp CLOSE", "tcp CONNECT",
       "pty DROP", "pty CLOSE"], "the log's events")
check(control(p, "quit") == "OK" and p.wait(3) == 0, "quit")

for end in (lambda q: q.send_signal(signal.SIGTERM), lambda q: q.stdin.close()):
    q = start()[0]
    end(q)
    check(q.wait(3) == 0 and not os.path.lexists(LINK), "SIGTERM or the end of input ends it")
print("boxsim selftest: PASS")
