"""What boxsim's self-check scripts share: starting boxsim, its control
commands, clients on the pty and on TCP, and reading its log."""
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

def start(*extra):
    p = subprocess.Popen([BIN, "--tcp-port", "0", "--log", LOG, "--pty-link", LINK, *extra],
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

class Pty:
    def __init__(self, path): self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    def write(self, b): os.write(self.fd, b)
    def read(self, timeout):
        return os.read(self.fd, 4096) if select.select([self.fd], [], [], timeout)[0] else b""
    def close(self): os.close(self.fd)

class Tcp:
    def __init__(self, port): self.s = socket.create_connection(("127.0.0.1", port))
    def write(self, b): self.s.sendall(b)
    def read(self, timeout):
        return self.s.recv(4096) if select.select([self.s], [], [], timeout)[0] else b""
    def close(self): self.s.close()

def reads(c, n, timeout=2.0):
    """The separate reads that bring n bytes."""
    parts, end = [], time.monotonic() + timeout
    while sum(map(len, parts)) < n and time.monotonic() < end:
        d = c.read(max(0.0, end - time.monotonic()))
        if d: parts.append(d)
    return parts

def ask(c, request, reply, what):
    c.write(request)
    got = b"".join(reads(c, len(reply)))
    check(got == reply, "%s: %r -> %r, expected %r" % (what, request, got, reply))

def quiet(c, what, wait=0.2):
    got = c.read(wait)
    check(got == b"", "%s: unexpected %r" % (what, got))

CMD = re.compile(r"^(\d+\.\d{3}) (pty|tcp) (CMD|UNKNOWN) (.*)$")
def commands():
    return [(m.group(2), m.group(3), m.group(4)) for m in map(CMD.match, log_lines()) if m]

def tx_lines(side):
    """(ms, bytes) of each TX line."""
    return [(float(l.split()[0]), bytes.fromhex(m.group(3))) for l in log_lines()
            for m in [LINE.match(l)] if m and m.group(1) == side and m.group(2) == "TX"]

def stamp_of(side, kind):
    return [float(l.split()[0]) for l in log_lines() if l.split()[1:3] == [side, kind]]
