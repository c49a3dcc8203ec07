"""Self-check of boxsim: raw byte transfer over pty and TCP, control commands,
log format, peer replacement, idle CPU use and clean exits; then the box's
identification replies, command framing, reply shaping and its command log."""
from selftest_lib import *

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

REQUESTS = [b"GVn#", b"GVN#", b"#GVN#", b"#GVP#"]
IDENTITIES = {  # name: replies to REQUESTS
    "gen1":   [b"11.1#", b"11.1#", b"11.1#", b"ORV-1#"],
    "gen2":   [b"1.20#", b"1.20#", b"1.20#", b"ORV-2#"],
    "lx200":  [b"2.20#", b"30Eg#", b"30Eg#", b"ORV-2#"],
    "future": [b"3.00#", b"3.00#", b"3.00#", b"ORV-2#"],
}

def identify(clients, name):
    for c in clients:
        for request, reply in zip(REQUESTS, IDENTITIES[name]):
            ask(c, request, reply, "%s over %s" % (name, type(c).__name__))

# Each identity over both sides: the first from --box, the others switched at run time.
p, pts, port = start("--box", "gen1")
pty, tcp = Pty(pts), Tcp(port)
identify([pty, tcp], "gen1")
for name in ("lx200", "future", "gen2"):
    check(command(p, "box " + name) == "OK", "box " + name)
    identify([pty, tcp], name)
check(command(p, "box nope") == "ERR unknown box nope", "unknown box")
check(command(p, "silent maybe") == "ERR silent takes on or off", "bad silent")
check(commands()[:4] == [("pty", "CMD", r.decode()) for r in REQUESTS], "CMD lines %r" % commands()[:4])
check(len(commands()) == 2 * 4 * len(IDENTITIES), "one CMD line per request")

# Framing: a request split over two writes, two in one write, text in front of
# a "#"-command, unknown commands with non-printable bytes.
mark = len(commands())
tcp.write(b"#GV")
wait_for(lambda: traffic("tcp", "RX").endswith(b"#GV"), "first half in the log")
quiet(tcp, "half a request")
ask(tcp, b"P#", b"ORV-2#", "request split over two writes")
ask(pty, b"GVn##GVP#", b"1.20#ORV-2#", "two requests in one write")
ask(pty, b"GVP#xy\x01\\#GVN#", b"1.20#", "request after unknown commands")
check(commands()[mark:] == [("tcp", "CMD", "#GVP#"), ("pty", "CMD", "GVn#"), ("pty", "CMD", "#GVP#"),
                            ("pty", "UNKNOWN", "GVP#"), ("pty", "UNKNOWN", r"xy\x01\x5c#"),
                            ("pty", "CMD", "GVN#")],
      "framing %r" % commands()[mark:])

# Half a request from one TCP client does not complete the request of the client
# that replaces it, nor of one that connects after it left.
for replace in (True, False):
    tcp.write(b"GV")
    wait_for(lambda: traffic("tcp", "RX").endswith(b"GV"), "partial request")
    if not replace: tcp.close()
    old, tcp = tcp, Tcp(port)
    wait_for(lambda: events()[-2:] == ["tcp CLOSE", "tcp CONNECT"], "new client")
    old.close()
    tcp.write(b"n#")
    quiet(tcp, "rest of another client's request")
    check(commands()[-1] == ("tcp", "UNKNOWN", "n#"), "new client starts afresh")

# Silent: commands are still logged, nothing is answered until "silent off".
check(command(p, "silent on") == "OK", "silent on")
pty.write(b"GVn#"); tcp.write(b"#GVP#")
quiet(pty, "silent pty"); quiet(tcp, "silent tcp", 0)
check(commands()[-2:] == [("pty", "CMD", "GVn#"), ("tcp", "CMD", "#GVP#")], "silent box logs commands")
check(command(p, "silent off") == "OK", "silent off")
ask(tcp, b"GVn#", b"1.20#", "silent off")
pty.close(); tcp.close()
check(command(p, "quit") == "OK" and p.wait(3) == 0, "quit")

# --box silent answers nothing (until "silent off": a gen2 box); --ident, --firmware
# and --product replace the replies; --stray goes once, in front of the first reply,
# on that reply's side.
p, pts, port = start("--box", "silent")
pty = Pty(pts)
for r in REQUESTS: pty.write(r)
quiet(pty, "--box silent")
check(len(commands()) == 4 and command(p, "silent off") == "OK", "silent box")
ask(pty, b"GVN#", b"1.20#", "--box silent is a gen2 box")
pty.close(); command(p, "quit"); p.wait(3)

p, pts, port = start("--ident", "x#", "--firmware", "9.9#", "--product", "P 1#", "--stray", "ff 00 23")
pty, tcp = Pty(pts), Tcp(port)
ask(tcp, b"GVn#", b"\xff\x00#x#", "stray in front of the first reply")
ask(pty, b"#GVP#", b"P 1#", "no stray on the other side")
ask(tcp, b"#GVN#", b"9.9#", "stray only once")
pty.close(); tcp.close(); command(p, "quit"); p.wait(3)

# --split 2: a reply leaves in 2-byte chunks, split-gap apart, in separate reads.
p, pts, port = start("--split", "2", "--split-gap", "40", "--box", "lx200")
tcp = Tcp(port)
tcp.write(b"#GVP#")
parts = reads(tcp, 6)
check(b"".join(parts) == b"ORV-2#", "split reply %r" % parts)
check(len(parts) >= 2, "split reply in several reads, got %r" % parts)
tx = wait_for(lambda: len(tx_lines("tcp")) >= 3 and tx_lines("tcp"), "split TX lines")
check([b for _, b in tx] == [b"OR", b"V-", b"2#"], "split TX lines %r" % tx)
rx = stamp_of("tcp", "RX")[0]
check(all(t - rx >= 40 * i - 1 for i, (t, _) in enumerate(tx)), "split gap %r after %r" % (tx, rx))
# Two requests at once: the second reply follows the first, still in chunks.
ask(tcp, b"GVn#GVN#", b"2.20#30Eg#", "two split replies")
wait_for(lambda: len(tx_lines("tcp")) == 3 + 6, "chunks of two split replies")
tcp.close(); command(p, "quit"); p.wait(3)

# --reply-delay: the reply leaves that long after the request arrived (default box: gen2).
p, pts, port = start("--reply-delay", "150")
pty = Pty(pts)
ask(pty, b"GVn#", b"1.20#", "delayed reply")
tx = wait_for(lambda: stamp_of("pty", "TX"), "delayed TX line")
check(tx[0] - stamp_of("pty", "RX")[0] >= 149, "reply delay")
idle_check(p, "after a delayed reply")
pty.close(); command(p, "quit"); p.wait(3)

bad = subprocess.run([BIN, "--box", "nope"], capture_output=True, text=True)
check(bad.returncode == 2 and "unknown box nope" in bad.stderr, "bad --box")
