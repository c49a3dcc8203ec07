"""Self-check of the box's settings, commands without reply, boot loader,
faults and pacing, end to end over the pty and TCP."""
import errno
from selftest_lib import *

BLOCK, BLOCKS = 128, 224
# A program image whose blocks all differ and hold "#" bytes; no block starts with "ROB#".
IMAGE = bytes((i * 7 + i // BLOCK) & 0xFF for i in range(BLOCK * BLOCKS))

def b(*values): return bytes(values)

def stop(p, *clients):
    for c in clients: c.close()
    check(command(p, "quit") == "OK" and p.wait(3) == 0, "quit")

def closed(c, what):
    """The client sees its link end: end of stream (pty: also hang-up)."""
    check(c.read(2.0) == b"", what)

def boot(c, blocks=BLOCKS, ack=b"\x06"):
    """ROB# and the blocks, each sent when the previous one is acked."""
    ask(c, b"ROB#", b"2#", "ROB#")
    for k in range(blocks):
        c.write(IMAGE[k * BLOCK:(k + 1) * BLOCK])
        got = b"".join(reads(c, 1))
        check(got == ack, "ack of block %d: %r" % (k, got))

# ---- Settings: defaults, every write over both sides, 13- and 15-byte records ----
p, pts, port = start()
pty, tcp = Pty(pts), Tcp(port)
ask(pty, b"#gRV#", b"\x00#", "default flags")
ask(tcp, b"#gET#", b(0, 120, 0, 60, 0, 30, 0, 15, 0, 5, 0, 10, 0, 0) + b"#", "default record")
ask(pty, b"#gCh#", b"\x0c#", "default channel")
WRITES = [b"#T1\x23\x23#", b"#T2\x01\x23#", b"#T3\x23\x00#", b"#T4\xff\xfe#", b"#T5\x00\x23#",
          b"#Td\x23\x01#", b"#rRA\x01#", b"#rDE\x01#", b"#sCh\x23#", b"#rCh\x05#", b"#ASM1#", b"#SEQ1#"]
for i, w in enumerate(WRITES):
    c = (pty, tcp)[i % 2]
    ask(c, w, b"#", "write %r" % w)
    quiet(c, "one ack only for %r" % w, 0.05)
TIMES = b(0x23, 0x23, 1, 0x23, 0x23, 0, 0xff, 0xfe, 0, 0x23, 0x23, 1)
for c in (pty, tcp):
    ask(c, b"#gET#", TIMES + b"\x01\x01#", "15-byte record")
    ask(c, b"#gRV#", b"\x03#", "flags")
    ask(c, b"#gCh#", b"\x23#", "channel")
check(command(p, "dump") == "OK " + (b"\x03" + TIMES + b"\x01\x01\x23").hex(" "), "dump")
check("remote-channel=5" in command(p, "state"), "remote channel")
# A write split over two reads over the pty, "#" value bytes in the first half.
pty.write(b"#T5\x23")
quiet(pty, "half a write")
ask(pty, b"\x23#", b"#", "write in two reads")
for w in (b"#rRA\x00#", b"#ASM0#", b"#SEQ0#"):
    ask(tcp, w, b"#", "clearing write")
check(command(p, "box gen1") == "OK", "box gen1")
ask(pty, b"#gET#", TIMES[:8] + b"\x23\x23" + TIMES[10:] + b"#", "13-byte record of generation 1")
ask(tcp, b"#gRV#", b"\x02#", "RA flag cleared")
stop(p, pty, tcp)

# --record, --flags, --channel, --ack set what the box starts with and how it acks.
RECORD = b(0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0x23, 0x23, 1, 0)
p, pts, port = start("--box", "gen1", "--record", RECORD.hex(), "--flags", "2", "--channel", "35", "--ack", "06")
pty, tcp = Pty(pts), Tcp(port)
ask(tcp, b"#gET#", RECORD[:12] + b"#", "generation 1 record from --record")
check(command(p, "box lx200") == "OK", "box lx200")
ask(pty, b"#gET#", RECORD + b"#", "generation 2 record from --record")
ask(pty, b"#gRV#", b"\x02#", "--flags")
ask(tcp, b"#gCh#", b"\x23#", "--channel")
ask(tcp, b"#sCh\x07#", b"\x06", "--ack")
ask(pty, b"#gCh#", b"\x07#", "channel set over TCP, read over the pty")
stop(p, pty, tcp)

# ---- Commands without reply: logged in order, with their spacing ----
p, pts, port = start()
pty, tcp = Pty(pts), Tcp(port)
MOTION = [b"#Mn#", b"#Ms#", b"#Me#", b"#Mw#", b"#Qn#", b"#Qs#", b"#Qe#", b"#Qw#", b"#Q#", b"#Mgn0150#",
          b"#Mge#", b"#F+#", b"#F-#", b"#FQ#", b"#XP1#", b"#XP0#"]
for i, m in enumerate(MOTION):
    (pty, tcp)[i % 2].write(m)
    time.sleep(0.02)
tcp.write(b":GR#")
wait_for(lambda: len(commands()) == len(MOTION) + 1, "motion CMD lines")
quiet(pty, "no reply to motion", 0.05); quiet(tcp, "no reply to motion", 0)
got = commands()
check(got == [(("pty", "tcp")[i % 2], "CMD", m.decode()) for i, m in enumerate(MOTION)]
      + [("tcp", "UNKNOWN", ":GR#")], "motion log %r" % got)
stamps = [float(l.split()[0]) for l in log_lines() if " CMD " in l]
check(all(t2 - t1 >= 15 for t1, t2 in zip(stamps, stamps[1:])), "spacing in the log %r" % stamps)
stop(p, pty, tcp)

# ---- Boot loader: a full run over the pty, read-back, AAAA twice, memdump ----
MEMFILE, DUMP = os.path.join(tmp, "memory.bin"), os.path.join(tmp, "dump.bin")
with open(MEMFILE, "wb") as f: f.write(b"\x01\x02\x03")
p, pts, port = start("--memory-file", MEMFILE)
check(command(p, "memdump " + DUMP) == "OK", "memdump")
check(open(DUMP, "rb").read() == b"\x01\x02\x03" + b"\xff" * (len(IMAGE) - 3), "--memory-file")
pty = Pty(pts)
boot(pty)
check(command(p, "state") == "OK mode=boot received=28672 blocks=224 remote-channel=12 silenced=no", "state")
pty.write(b"A")
back = b"".join(reads(pty, len(IMAGE), 5))
check(back == IMAGE, "read-back equals what was sent (%d bytes)" % len(back))
ask(pty, b"AAAA", b"", "AAAA")
check(command(p, "state").startswith("OK mode=normal"), "boot mode left")
pty.write(b"AAAA")
ask(pty, b"GVn#", b"1.20#", "second AAAA, then ordinary commands")
check(command(p, "memdump " + DUMP) == "OK" and open(DUMP, "rb").read() == IMAGE, "memdump after the run")
texts = [t for _, _, t in commands()]
check(texts == ["ROB#"] + ["block %d" % k for k in range(BLOCKS)] + ["A", "AAAA", "AAAA", "GVn#"],
      "boot loader log %r" % texts[-6:])
stop(p, pty)

# ---- Faults on the read-back, over TCP; --boot-reply, --boot-ack ----
p, pts, port = start("--corrupt-readback", "0,0x6fff", "--boot-ack", "79")
tcp = Tcp(port)
boot(tcp, ack=b"\x79")
tcp.write(b"A")
back = b"".join(reads(tcp, len(IMAGE), 5))
check(back == bytes([IMAGE[0] ^ 0xff]) + IMAGE[1:-1] + bytes([IMAGE[-1] ^ 0xff]), "corrupted read-back")
check(command(p, "fault short-readback 100") == "OK", "fault short-readback")
ask(tcp, b"A", bytes([IMAGE[0] ^ 0xff]) + IMAGE[1:100], "short read-back, still corrupted")
quiet(tcp, "nothing after a short read-back")
stop(p, tcp)

for reply, expect in (("1#", b"1#"), ("", b"")):
    p, pts, port = start("--boot-reply", reply)
    pty = Pty(pts)
    ask(pty, b"ROB#", expect, "--boot-reply %r" % reply)
    quiet(pty, "--boot-reply %r" % reply)
    check(command(p, "state").startswith("OK mode=boot"), "boot mode after --boot-reply %r" % reply)
    stop(p, pty)

# ---- Silence: after a block, after a command ----
p, pts, port = start("--silent-after-block", "3")
pty = Pty(pts)
boot(pty, 3)
pty.write(IMAGE[3 * BLOCK:4 * BLOCK])
quiet(pty, "no ack for block 3")
check("silenced=yes" in command(p, "state"), "silenced")
check(command(p, "fault clear") == "OK", "fault clear")
tcp = Tcp(port)
check(command(p, "fault silent-after-block 1") == "OK", "fault silent-after-block at run time")
boot(tcp, 1)
tcp.write(IMAGE[:BLOCK])
quiet(tcp, "no ack for block 1")
stop(p, pty, tcp)

p, pts, port = start("--silent-after", "#T3")
pty, tcp = Pty(pts), Tcp(port)
ask(pty, b"#T1\x00\x01#", b"#", "before silence")
ask(tcp, b"#T2\x00\x01#", b"#", "before silence")
pty.write(b"#T3\x00\x23#"); tcp.write(b"#gRV#")
quiet(pty, "silent from #T3 on"); quiet(tcp, "silent on the other side", 0)
check(command(p, "fault clear") == "OK", "fault clear")
ask(tcp, b"#gET#", b(0, 1, 0, 1, 0, 0x23, 0, 15, 0, 5, 0, 10, 0, 0) + b"#", "answering again; #T3 applied")
stop(p, pty, tcp)

# --garbage: same size, ends in "#".
p, pts, port = start("--garbage")
tcp = Tcp(port)
tcp.write(b"#GVP#")
got = b"".join(reads(tcp, 6))
check(len(got) == 6 and got.index(b"#") == 5 and got != b"ORV-2#", "garbage %r" % got)
stop(p, tcp)

# ---- Dropped links ----
# TCP: the peer is closed right after block 2; a new client can start over.
p, pts, port = start("--drop-after-block", "2")
tcp = Tcp(port)
boot(tcp, 2)
tcp.write(IMAGE[2 * BLOCK:3 * BLOCK])
closed(tcp, "tcp closed after block 2")
wait_for(lambda: events()[-1:] == ["tcp CLOSE"], "tcp CLOSE")
check(any(l.endswith("tcp DROP") for l in log_lines()), "DROP logged")
tcp = Tcp(port)
boot(tcp, 4)
check(command(p, "fault drop-after-bytes 6") == "OK", "fault drop-after-bytes")
tcp.write(IMAGE[:6])
closed(tcp, "tcp closed after 6 bytes in boot mode")
st = command(p, "state")
check("received=518 blocks=4 " in st, "6 more bytes taken before the drop: " + st)
stop(p, tcp)

p, pts, port = start("--drop-after-bytes", "6")
tcp = Tcp(port)
tcp.write(b"GVn#GVn#")
check(b"".join(reads(tcp, 5)) == b"1.20#", "reply before the byte limit")
closed(tcp, "tcp closed after 6 bytes")
tcp = Tcp(port)
ask(tcp, b"GVn#GVn#", b"1.20#1.20#", "a drop happens once")
stop(p, tcp)

# Pty: after block 1 the pty is gone for its client; boxsim runs on.
p, pts, port = start()
pty = Pty(pts)
check(command(p, "fault drop-after-block 1") == "OK", "fault drop-after-block at run time")
boot(pty, 1)
pty.write(IMAGE[BLOCK:2 * BLOCK])
closed(pty, "pty hung up after block 1")
check(not os.path.exists(pts) and not os.path.lexists(LINK), "pty node and link gone")
try:
    pty.write(b"x"); fail("write to a dropped pty")
except OSError as e:
    check(e.errno == errno.EIO, "write to a dropped pty: %s" % e)
check(command(p, "sendpty 00") == "ERR no pty", "sendpty after the drop")
check(command(p, "state") == "OK mode=boot received=256 blocks=2 remote-channel=12 silenced=no", "state after drop")
tcp = Tcp(port)
ask(tcp, b"GVn#", b"1.20#", "tcp still served")
stop(p, pty, tcp)

# ---- Pacing: 5760 bytes of read-back at 57600 baud take 1 s ----
p, pts, port = start("--baud", "57600", "--short-readback", "5760")
tcp = Tcp(port)
boot(tcp)
t0 = time.monotonic()
tcp.write(b"A")
back = b"".join(reads(tcp, 5760, 3))
took = time.monotonic() - t0
check(back == IMAGE[:5760], "paced read-back")
check(0.8 < took < 1.2, "5760 bytes at 57600 baud took %.3f s" % took)
idle_check(p, "after a paced transfer")
stop(p, tcp)

bad = subprocess.run([BIN, "--ack", "2323"], capture_output=True, text=True)
check(bad.returncode == 2 and "bad byte" in bad.stderr, "bad --ack")
bad = subprocess.run([BIN, "--drop-after-block", "224"], capture_output=True, text=True)
check(bad.returncode == 2 and "bad number" in bad.stderr, "bad --drop-after-block")
