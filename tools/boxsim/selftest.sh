#!/bin/sh
# Self-check of boxsim: raw byte transfer over pty and TCP, control commands,
# log format, peer replacement, idle CPU use and clean exits.
# Usage: selftest.sh [path/to/boxsim]   (default /tmp/boxsim-build/boxsim)
exec python3 - "${1:-/tmp/boxsim-build/boxsim}" <<'PY'
import atexit, os, re, select, shutil, signal, socket, subprocess, sys, tempfile, time

BIN = sys.argv[1]
ALL = bytes(range(256))
tmp = tempfile.mkdtemp(prefix="boxsim-selftest.")
LOG, LINK = os.path.join(tmp, "log"), os.path.join(tmp, "tty")
procs = []
atexit.register(lambda: ([q.kill() for q in procs if q.poll() is None], shutil.rmtree(tmp)))

def fail(msg):
    print("FAIL:", msg); sys.exit(1)

def check(cond, msg):
    if not cond: fail(msg)

def wait_for(pred, what, timeout=3.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        r = pred()
        if r: return r
        time.sleep(0.01)
    fail("timed out waiting for " + what)

def log_lines():
    with open(LOG) as f: return f.read().splitlines()

LINE = re.compile(r"^\d+\.\d{3} (pty|tcp) (RX|TX) ([0-9a-f]{2}( [0-9a-f]{2})*)$")
def traffic(side, kind):
    out = b""
    for l in log_lines():
        m = LINE.match(l)
        if m and m.group(1) == side and m.group(2) == kind:
            out += bytes.fromhex(m.group(3))
    return out

def events():
    return [l.split(" ", 1)[1] for l in log_lines() if l.endswith(("CONNECT", "CLOSE"))]

def start():
    p = subprocess.Popen([BIN, "--tcp-port", "0", "--log", LOG, "--pty-link", LINK],
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    procs.append(p)
    hello = [p.stdout.readline().strip() for _ in range(3)]
    check(hello[0].startswith("PTY /dev/pts/") and re.fullmatch(r"TCP 127\.0\.0\.1:\d+", hello[1])
          and hello[2] == "READY", "startup lines %r" % hello)
    return p, hello[0][4:], int(hello[1].rsplit(":", 1)[1])

def command(p, line):
    p.stdin.write(line + "\n"); p.stdin.flush()
    return p.stdout.readline().strip()

def read_exact(read, n):
    data, end = b"", time.monotonic() + 3
    while len(data) < n and time.monotonic() < end:
        data += read(n - len(data))
    return data

def cpu_ticks(pid):
    f = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return int(f[11]) + int(f[12])

def idle_check(p, what):
    t0 = cpu_ticks(p.pid); time.sleep(0.5)
    check(cpu_ticks(p.pid) - t0 <= 2, "busy while idle: " + what)

p, pts, port = start()
check(os.path.realpath(LINK) == pts, "pty link")
idle_check(p, "no client on the pty")

# Pty: a client that does not configure the port itself still gets raw 8-bit transfer.
fd = os.open(LINK, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
os.write(fd, ALL)
wait_for(lambda: traffic("pty", "RX") == ALL, "256 bytes in the pty RX log")
check(command(p, "send " + ALL.hex(" ")) == "OK", "send")
def pty_read(n):
    select.select([fd], [], [], 1)
    return os.read(fd, n)
check(read_exact(pty_read, 256) == ALL, "pty receives all byte values")
check(traffic("pty", "TX") == ALL, "pty TX log")
os.close(fd)
idle_check(p, "pty client closed")

# Control errors.
check(command(p, "sendtcp 01") == "ERR no tcp peer", "sendtcp without peer")
check(command(p, "send 0g") == "ERR bad hex", "bad hex")
check(command(p, "send 123") == "ERR bad hex", "odd token")
check(command(p, "send") == "ERR no bytes", "empty send")
check(command(p, "hello").startswith("ERR unknown command"), "unknown command")

# TCP: same transfer; then a second client replaces the first.
a = socket.create_connection(("127.0.0.1", port)); a.settimeout(3)
wait_for(lambda: events() == ["tcp CONNECT"], "CONNECT")
a.sendall(ALL)
wait_for(lambda: traffic("tcp", "RX") == ALL, "256 bytes in the tcp RX log")
check(command(p, "sendtcp " + ALL.hex()) == "OK", "sendtcp")
check(read_exact(a.recv, 256) == ALL, "tcp receives all byte values")
check(command(p, "send 31 2e 32 30 23") == "OK", "send to both")
check(a.recv(16) == b"1.20#", "send reaches tcp")
fd = os.open(pts, os.O_RDWR | os.O_NOCTTY)   # drain what send put on the pty
check(read_exact(lambda n: os.read(fd, n), 5) == b"1.20#", "send reaches pty")
os.close(fd)
b = socket.create_connection(("127.0.0.1", port)); b.settimeout(3)
wait_for(lambda: events() == ["tcp CONNECT", "tcp CLOSE", "tcp CONNECT"], "replacement")
check(a.recv(16) == b"", "old peer closed")
check(command(p, "sendtcp 0a") == "OK" and b.recv(16) == b"\n", "new peer gets data")
b.close()
wait_for(lambda: events()[-1:] == ["tcp CLOSE"], "CLOSE")
idle_check(p, "tcp client gone")

# A client that takes the pty as its controlling terminal and exits.
pid = os.fork()
if pid == 0:
    os.setsid(); os.close(os.open(pts, os.O_RDWR)); os._exit(0)
os.waitpid(pid, 0)
time.sleep(0.1)
idle_check(p, "controlling-terminal client gone")
fd = os.open(pts, os.O_RDWR | os.O_NOCTTY)
os.write(fd, b"\x00\xff")
wait_for(lambda: traffic("pty", "RX").endswith(b"\x00\xff"), "pty still works")
os.close(fd)

check(command(p, "quit") == "OK" and p.wait(3) == 0, "quit exits 0")
check(not os.path.lexists(LINK), "link removed on quit")

# SIGTERM and end of input also exit cleanly.
p, _, _ = start()
p.send_signal(signal.SIGTERM)
check(p.wait(3) == 0 and not os.path.lexists(LINK), "SIGTERM exit")
p, _, _ = start()
p.stdin.close()
check(p.wait(3) == 0 and not os.path.lexists(LINK), "end-of-input exit")
print("boxsim selftest: PASS")
PY
