// Unit test of the simulated box without I/O, the time moved by hand. One table: a row per
// command and per fault, each row a box made from its command-line options, the steps played on
// it, everything it sent back, its state and how its log of commands ends; random garbage is
// checked for its shape. Then the options that must be refused.
// Exit status 0 = all passed; failures are printed.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "box.h"
#include "hex.h"
#include "options.h"

namespace {

using namespace boxsim;
using namespace std::string_literals;
using V = std::vector<std::string>;
constexpr std::size_t memorySize = BootLoader::memorySize;

int failures = 0;
void check(bool ok, const std::string& what) {
    if (!ok) std::printf("FAIL: %s\n", what.c_str());
    failures += ok ? 0 : 1;
}

// parseArgs on the words of `line`.
bool parse(const std::string& line, Options& opts) {
    std::istringstream words("boxsim " + line);
    V args{std::istream_iterator<std::string>(words), {}};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::string error;
    return parseArgs(static_cast<int>(argv.size()), argv.data(), opts, error);
}

// One row: a box made from the options, its log in memory, its clock moved only by the steps:
//   "+N": N ms pass; "new": a new client on the pty; "fault NAME VALUE" at run time;
//   "tcp:BYTES" from the TCP client; anything else: bytes from the pty's client.
// Then what it sent must be `sent` (unless that is "*"): the bytes, "tcp:" or "pty:" where the
// side changes, "!" where it drops a link, "|" after every step; its state() must hold `state`
// and its log of commands end in `log`. Returns what it sent.
std::string row(const char* what, const char* options, const V& steps, const std::string& sent,
                const std::string& state = "", const std::string& log = "") {
    Options opts;
    check(parse(options, opts), what);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&text, &size);
    Log logger(file);
    std::string got;
    Side last = Side::Pty;
    Box::Clock::time_point now{};
    Box box(
        logger, opts.box,
        [&](Side side, std::string_view b) {
            if (side != std::exchange(last, side)) got += side == Side::Tcp ? "tcp:" : "pty:";
            got += b;
        },
        [&](Side) { got += "!"; });
    for (const std::string& s : steps) {
        std::istringstream words(s);
        std::string word, name, value, error;
        const bool tcp = s.starts_with("tcp:");
        if (s[0] == '+')
            box.releaseDue(now += std::chrono::milliseconds(std::stoi(s.substr(1))));
        else if (s == "new")
            box.reset(Side::Pty);
        else if (words >> word >> name && word == "fault")
            check(box.setFault(name, words >> value ? value : "", error), s + ": " + error);
        else
            box.receive(tcp ? Side::Tcp : Side::Pty, s.substr(tcp ? 4 : 0), now);
        got += "|";
    }
    std::fflush(file);
    std::istringstream lines(std::string(text, size));
    std::string logged;
    for (std::string stamp, side, kind, rest; lines >> stamp >> side >> kind;)
        if (std::getline(lines, rest) && (kind == "CMD" || kind == "UNKNOWN"))
            logged += " " + kind + rest;
    std::fclose(file), std::free(text);
    const auto cut = [](const std::string& t) { return printable(t.substr(0, 120)); };
    check((sent == "*" || got == sent) && box.state().find(state) != std::string::npos &&
              logged.ends_with(log),
          what + ": "s + box.state() + "; sent " + cut(got) + "; logged" + cut(logged));
    return got;
}

void table() {
    row("identification, product and firmware; motion, focus and shutter taken without a reply", "",
        {"GVn##GVP##GVN#GVN##Mn##Qw##Q##Mgwx\x01##F+##XP0#AAAA"}, "1.20#ORV-2#1.20#1.20#|", "",
        " CMD GVN# CMD #Mn# CMD #Qw# CMD #Q# CMD #Mgwx\\x01# CMD #F+# CMD #XP0# CMD AAAA");
    row("a silent box answers nothing", "--box silent", {"GVn##gRV#"}, "|", "", " CMD #gRV#");
    const std::string x1024(1024, 'x'), x640(640, 'x'), hash(memorySize, '#');
    row("unknown commands are logged, not answered, their bytes escaped; more than 1024 bytes "
        "without a command are handed out as one",
        "", {"GVP#xy\x01\\\x7f#:GR##Mgx1##Mg##T1\x01\n!", x1024, "yGVn#", x1024 + "x"}, "||||", "",
        " UNKNOWN GVP# UNKNOWN xy\\x01\\x5c\\x7f# UNKNOWN :GR# UNKNOWN #Mgx1# UNKNOWN #Mg# UNKNOWN "
        "#T1\\x01\\x0a! UNKNOWN " +
            x1024 + "yGVn# UNKNOWN " + x1024 + "x");
    row("a write is six bytes, # among them, acked once it is whole", "",
        {"#T1###GVn#", "#", "T", "5", "#", "#", "#"}, "#1.20#||||||#|", "", " CMD #T5###");
    const std::string times = "##\x01##\0\xff\xff\0\0#\x01"s;  // T1..T5 and the gap, written:
    const std::string writes =
        "#T1####T2\x01###T3#\0##T4\xff\xff##T5\0\0##Td#\x01#"
        "#rRA\x01##rDE###sCh###rCh\x05##ASM1##SEQ1#"s;
    row("every write in one read on TCP, one ack each, read back on the pty; writes that clear", "",
        {"tcp:" + writes, "#gET##gRV##gCh#", "#rRA\0##ASM0##SEQ0##gRV##gET#"s},
        "tcp:############|pty:" + times + "\x01\x01#\x03###|###\x02#" + times + "\0\0#|"s,
        "remote-channel=5");
    row("replies in chunks after a delay set at run time, each behind those asked before; a new "
        "client gets none of those owed to the old",
        "--split 2",
        {"fault reply-delay 50", "GVn#", "+10", "#GVP#", "tcp:GVn#", "+39", "+1", "+59", "+1",
         "new", "+100"},
        "||||||1.|20#tcp:1.20#|pty:OR|||");
    row("the options nothing else uses",
        "--box gen1 --ident x# --stray=FF0023 --ack=06 --flags 2 --channel 35 --record "
        "000100020003000400052323010023 --boot-reply 1# --boot-ack 79 --silent-after-block 0x1",
        {"tcp:GVn#", "GVn##gET#", "#gRV##gCh##sCh\x07#", "ROB#" + x640, "tcp:GVn#"},
        "tcp:\xff\0#x#|pty:x#\0\x01\0\x02\0\x03\0\x04\0\x05###|\x02###\x06|1#\x79||"s,
        "silenced=yes");

    // A program whose bytes differ from block to block, sent in pieces of 100 bytes.
    std::string program, acked = "2#|";
    V pieces{"ROB#"};
    for (std::size_t i = 0; i < memorySize; ++i) program += char((i * 7 + i / 128) & 0xff);
    for (std::size_t at = 0; at < memorySize; at += 100)
        pieces.push_back(program.substr(at, 100)),
            acked += std::string((at + 100) / 128 - at / 128, '\x06') + "|";
    pieces.insert(pieces.end(), {"A", "AA", "AA", "AAAAGVn#"});
    row("a whole run in pieces: an ack once each block is whole, the read-back, AAAA in pieces", "",
        pieces, acked + program + "|||1.20#|", "mode=normal",
        " CMD block 223 CMD A CMD AAAA CMD AAAA CMD GVn#");
    row("ROB# with a block behind it; the other side served in boot mode; ROB# where a block "
        "starts, in pieces",
        "", {"ROB#" + hash.substr(0, 128) + "ROB", "tcp:GVn#", "#"}, "2#\x06|tcp:1.20#|pty:2#|",
        "mode=boot received=0 blocks=0");
    const std::string acks(224, '\x06'), zs(memorySize, 'Z'), full = "ROB#" + zs + "A";
    const std::string paced = "2#" + acks + zs;
    row("a new client loses half a block, not boot mode; a stray after the last block", "",
        {"ROB#", x640.substr(0, 50), "new", "b" + hash.substr(1), "x", "A"},
        "2#|||" + acks + "||b" + hash.substr(1) + "|", "blocks=224", " UNKNOWN x CMD A");
    row("silent after a command, on both sides, until cleared", "--silent-after #T3",
        {"#T1\0\x01##T2\0\x01##T3\0\x01##T4\0\x01#"s, "tcp:#gRV#", "fault clear", "tcp:GVn#"},
        "##|||tcp:1.20#|", "silenced=no");
    row("a drop after block 3 loses the rest of the read, once", "--drop-after-block 3",
        {"ROB#" + x640, "ROB#" + x640},
        "2#" + acks.substr(0, 3) + "!|2#" + acks.substr(0, 5) + "|");
    row("a drop after 10 bytes loses the rest of the read, once", "--drop-after-bytes 10",
        {"GVn#GVn#GV", "GVn#GVn#GV"}, "1.20#1.20#!|1.20#1.20#|");
    row("at 57600 baud every byte leaves once its 10 bits are out, with no rounding adding up",
        "--baud 57600", {full, "+5017", "+1"},
        "|" + paced.substr(0, 28897) + "|" + paced.substr(28897) + "|");
    // Garbage is as long as the reply and ends in "#", with no "#" before.
    const std::string g = row("garbage", "--garbage", {"#GVP#", full}, "*");
    check(g.size() == 6 + 1 + 2 + 224 + memorySize + 1 && !g.starts_with("ORV") &&
              g.ends_with("#|") && std::count(g.begin(), g.end(), '#') == 1 + 1 + 224 + 1,
          "garbage: " + printable(g.substr(0, 40)));
    row("a read-back corrupted and short", "--corrupt-readback 0,98 --short-readback 99", {full},
        "2#" + acks + "\xa5" + zs.substr(2, 97) + "\xa5|");
}

// Values that would never strike are refused, not taken.
void refusals() {
    Options opts;
    for (const char* line :
         {"--silent-after-block 224", "--drop-after-block 224", "--x 1",
          "--corrupt-readback 1,0x7000", "--silent-after=", "--garbage=yes", "gen1"})
        check(!parse(line, opts), "refused: "s + line);
}

}  // namespace

int main() {
    table();
    refusals();
    if (failures == 0) std::printf("boxsim unit test: PASS\n");
    return failures == 0 ? 0 : 1;
}
