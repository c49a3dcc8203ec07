// Unit checks of the simulated box without I/O, the time moved by hand: command framing, reply
// pacing, what the box answers to each command, the settings it keeps, its boot loader, each
// fault, and the options nothing else uses. Exit status 0 = all passed; failures are printed.

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
using namespace std::chrono_literals;
using namespace std::string_literals;
using V = std::vector<std::string>;
constexpr std::size_t memorySize = BootLoader::memorySize;

int failures = 0;
void check(bool ok, const std::string& what) {
    if (!ok) std::printf("FAIL: %s\n", what.c_str());
    failures += ok ? 0 : 1;
}

// A box whose replies and dropped links are collected, whose log goes to memory and whose
// clock only moves when the test says so.
struct Rig {
    explicit Rig(BoxConfig config = {})
        : box(
              log, std::move(config),
              [this](Side side, std::string_view b) { sent[static_cast<int>(side)] += b; },
              [this](Side side) { drops.push_back(side); }) {}
    ~Rig() { std::fclose(file), std::free(text); }

    // Sends bytes to the box from the side; returns what the box sent back there by now.
    std::string ask(Side side, std::string_view b) {
        box.receive(side, b, now);
        return take(side);
    }
    std::string ask(std::string_view b) { return ask(Side::Pty, b); }
    std::string take(Side side) { return std::exchange(sent[static_cast<int>(side)], {}); }
    void advance(Box::Clock::duration by) { box.releaseDue(now += by); }

    // The log's CMD and UNKNOWN lines since the last look, as "CMD GVn#", "UNKNOWN :GR#".
    V commands() {
        std::fflush(file);
        std::istringstream lines(std::string(text + std::exchange(seen, size), text + size));
        V out;
        for (std::string stamp, side, kind, rest; lines >> stamp >> side >> kind;)
            if (std::getline(lines, rest) && (kind == "CMD" || kind == "UNKNOWN"))
                out.push_back(kind + rest);
        return out;
    }

    char* text = nullptr;
    std::size_t size = 0, seen = 0;
    std::FILE* file = open_memstream(&text, &size);
    Log log{file};
    std::string sent[2];
    std::vector<Side> drops;
    Box::Clock::time_point now{};
    Box box;
};

// More bytes than the framer holds without a complete command are handed out as one command.
void overflow() {
    Framer framer({});
    framer.append(std::string(Framer::maxPending, 'x'));
    check(!framer.next(), "a full buffer still waits");
    framer.append("yGVn#");
    check(framer.next().value_or("").size() == Framer::maxPending + 5 && !framer.next(),
          "overflow up to the #");
    framer.append(std::string(Framer::maxPending + 1, 'x'));
    check(framer.next() && !framer.pending(), "overflow without #");
}

// Replies leave after the delay, in chunks split-gap apart, each behind those asked before it.
void replyShaping() {
    const auto t0 = Outbox::Clock::time_point{};
    V sent;
    Outbox box({2, 20ms, 50ms});
    const auto release = [&](Outbox::Clock::duration t) {
        box.release(t0 + t, [&](Side side, std::string_view b) {
            sent.push_back(std::string(sideName(side)) + ":" + std::string(b));
        });
        return sent.size();
    };
    box.push(Side::Pty, "1.20#", t0);
    box.push(Side::Pty, "ab", t0 + 10ms);  // asked while the first is still going out
    box.push(Side::Tcp, "xyz", t0 + 10ms);
    // Pty: "1." at 50, "20" at 70, "#" at 90, "ab" a gap later at 110. Tcp: "xy" at 60, "z" at 80.
    for (const auto& [t, n] : {std::pair{49ms, 0u}, {60ms, 2u}, {109ms, 5u}, {110ms, 6u}})
        check(release(t) == n, "chunks out by " + std::to_string(t.count()) + " ms");
    check(sent == V{"pty:1.", "tcp:xy", "pty:20", "pty:#", "tcp:z", "pty:ab"}, "chunks in order");
    box.push(Side::Tcp, "late", t0 + 300ms);
    box.drop(Side::Tcp);
    check(release(1s) == 6 && !box.nextDue(), "dropped replies are not sent");
}

// At a baud rate every byte leaves when its 10 bits are out: the whole program memory takes
// 4.98 s at 57600 baud and 29.87 s at 9600. Waking up when nextDue() says always brings at
// least one byte (no spinning).
void baudPacing() {
    const auto t0 = Outbox::Clock::time_point{};
    for (const auto& [baud, seconds] : {std::pair{57600u, 4.977777}, {9600u, 29.866666}}) {
        Outbox box({0, 20ms, 0ms, baud});
        box.push(Side::Tcp, std::string(memorySize, 'x'), t0);
        box.push(Side::Tcp, "#", t0);  // queued behind: starts when the line is free
        std::size_t sent = 0, before = 0;
        auto last = t0;
        while (const auto due = box.nextDue()) {
            before = sent;
            box.release(last = *due, [&](Side, std::string_view b) { sent += b.size(); });
            if (sent == before) break;
        }
        const double took = std::chrono::duration<double>(last - t0).count();
        check(sent == memorySize + 1 && took > seconds + 9.0 / baud && took < seconds + 11.0 / baud,
              std::to_string(sent) + " paced bytes in " + std::to_string(took) + " s");
    }
}

// Commands sent back to back in one read, the replies, and per command 'C' if the log names
// it as known, 'U' if as unknown.
void commandTable() {
    struct Row {
        V commands;
        std::string reply, kinds;
    };
    const Row rows[] = {
        {{"GVn#", "#GVP#", "#GVN#"}, "1.20#ORV-2#1.20#", "CCC"},
        {{"GVP#", "xy\x01\\#", "GVN#"}, "1.20#", "UUC"},
        {{"#T1###", "GVn#"}, "#1.20#", "CC"},
        {{"#Mn#", "#Ms#", "#Me#", "#Mw#", "#Qn#", "#Qs#", "#Qe#", "#Qw#", "#Q#", "#Mgn0150#",
          "#Mgs#", "#Mgwx\x01#", "#F+#", "#F-#", "#FQ#", "#XP1#", "#XP0#", "AAAA"},
         "",
         std::string(18, 'C')},
        {{"#Mgx1#", ":GR#", "#Mg#", "#T1\x01\n!"}, "", "UUUU"},
    };
    for (const Row& row : rows) {
        Rig rig;
        std::string all;
        V expected;
        for (std::size_t i = 0; i < row.commands.size(); ++i) {
            all += row.commands[i];
            expected.push_back((row.kinds[i] == 'C' ? "CMD " : "UNKNOWN ") +
                               printable(row.commands[i]));
        }
        const std::string reply = rig.ask(all);
        check(reply == row.reply && rig.commands() == expected, printable(all) + " -> " + reply);
    }
    check(printable("\x01\n\\\x7f") == "\\x01\\x0a\\x5c\\x7f",
          "the log escapes what would break lines");
}

void settingsWritesAndTheirDurability() {
    Rig rig;
    // Every write in one read, value bytes "#" included, on one side: one ack each.
    std::string times;
    for (int v : {0x23, 0x23, 1, 0x23, 0x23, 0, 0xff, 0xff, 0, 0, 0x23, 1}) times += char(v);
    std::string all;
    for (std::size_t i = 0; i < 6; ++i) all += "#T"s + "12345d"[i] + times.substr(2 * i, 2) + "#";
    all += "#rRA\x01##rDE###sCh###rCh\x05##ASM1##SEQ1#";
    check(rig.ask(Side::Tcp, all) == std::string(12, '#'), "one ack per write");
    check(rig.ask("#gET##gRV##gCh#") == times + "\x01\x01#\x03###",
          "the writes read back on the other side");
    check(rig.box.record().dump() == "\x03" + times + "\x01\x01#" &&
              rig.box.state().find("remote-channel=5") != std::string::npos,
          "dump and remote channel");
    check(rig.ask("#rRA\0##ASM0##SEQ0##gRV#"s) == "###\x02#" &&
              rig.box.record().dump().substr(13, 2) == "\0\0"s,
          "clearing writes");
    // A write that comes byte by byte is acked once, after its last byte.
    std::string acks;
    for (char c : "#T5\x23\x23#"s) acks += rig.ask(std::string(1, c)) + ".";
    check(acks == ".....#." && rig.commands().back() == "CMD #T5###", "write in single bytes");
    rig.box.reset(Side::Pty);
    rig.box.reset(Side::Tcp);
    rig.box.selectIdentity("gen1");
    check(rig.ask(Side::Tcp, "#gET#") == times.substr(0, 8) + "##" + times.substr(10) + "#",
          "generation 1 sends 13 bytes; the record outlives new clients and a new identity");
}

// A whole run whose blocks come in pieces of 100 bytes, bytes differing from block to block
// and "#" among them; then the edges.
void bootLoader() {
    Rig rig;
    std::string program, acks;
    for (std::size_t i = 0; i < memorySize; ++i) program += char((i * 7 + i / 128) & 0xff);
    bool early = rig.ask("ROB#") != "2#";
    for (std::size_t at = 0; at < memorySize; at += 100) {
        const std::string reply = rig.ask(program.substr(at, 100));
        early = early || reply.size() != std::min(at + 100, memorySize) / 128 - at / 128;
        acks += reply;
    }
    check(acks == std::string(224, '\x06') && !early, "one ack per block, once it is whole");
    check(rig.box.state() == "mode=boot received=28672 blocks=224 remote-channel=12 silenced=no",
          rig.box.state());
    check(rig.ask("A") == program && rig.box.memory() == program, "read-back of the blocks");
    check(rig.ask("AA") + rig.ask("AA") == "" && rig.box.state().starts_with("mode=normal") &&
              rig.ask("AAAAGVn#") == "1.20#",
          "AAAA, even in pieces, ends the boot loader; one more is taken too");
    const V log = rig.commands();
    check(log.size() == 229 && log[1] == "CMD block 0" && log[224] == "CMD block 223" &&
              log[225] == "CMD A" && log[226] == "CMD AAAA",
          "boot loader log");

    Rig edge;
    const std::string block(128, '#'), other(128, 'b');
    check(edge.ask("ROB#" + block + "ROB") == "2#\x06",
          "bytes after ROB# in the same read are the first block");
    check(edge.ask(Side::Tcp, "GVn#") == "1.20#", "the other side is served during boot mode");
    check(
        edge.ask("#") == "2#" && edge.box.state().find("received=0 blocks=0") != std::string::npos,
        "ROB# where a block starts restarts, even in pieces");
    edge.ask(std::string(50, 'h'));
    edge.box.reset(Side::Pty);  // a new client
    check(edge.ask(other) == "\x06" && edge.box.memory().starts_with(other),
          "a new client loses the half block, not boot mode");
    edge.ask(std::string(memorySize - 128, '#'));
    check(edge.ask("x").empty() && edge.commands().back() == "UNKNOWN x", "a stray at the end");
}

// Each fault set at run time, then the row's bytes sent on the pty and as much time let pass
// as the slowest reply takes. Then: the state of the box; whether the other side is silenced
// too; for a drop, what the same bytes get once more (a link drops once, and nothing half
// taken is left); and that "clear" ends it.
void eachFault() {
    struct Row {
        const char *name, *value;
        std::string in, reply;
        const char* state;
        std::string again = {};
    };
    const std::string acks(224, '\x06'), memory(memorySize, 'Z'), full = "ROB#" + memory + "A";
    const Row rows[] = {
        {"silent-after", "#T3", "#T1\0\x01##T2\0\x01##T3\0\x01##T4\0\x01##gRV#"s, "##",
         "silenced=yes"},
        {"silent-after-block", "5", full, "2#" + acks.substr(0, 5), "silenced=yes"},
        {"drop-after-block", "3", "ROB#" + std::string(5 * 128, 'x'), "2#" + acks.substr(0, 3),
         "received=512 blocks=4", "2#" + acks.substr(0, 5)},
        {"drop-after-bytes", "10", "GVn#GVn#GV", "1.20#1.20#", "mode=normal", "1.20#1.20#"},
        {"corrupt-readback", "0,0x6fff", full, "2#" + acks + "\xa5" + memory.substr(2) + "\xa5",
         ""},
        {"short-readback", "100", full, "2#" + acks + memory.substr(0, 100), ""},
        {"reply-delay", "50", "GVn#", "1.20#", ""},
    };
    for (const Row& row : rows) {
        Rig rig;
        std::string error, what = std::string(row.name) + " " + row.value + ": ";
        check(rig.box.setFault(row.name, row.value, error), what + error);
        std::string reply = rig.ask(row.in);
        const bool delayed = reply.empty();
        rig.box.receive(Side::Tcp, "GVn#", rig.now);
        rig.advance(50ms);
        reply += rig.take(Side::Pty);
        check(reply == row.reply && delayed == (row.name == "reply-delay"s),
              what + printable(reply.substr(0, 40)));
        check(rig.box.state().find(row.state) != std::string::npos, what + rig.box.state());
        check(rig.take(Side::Tcp).empty() == (row.state == "silenced=yes"s), what + "other side");
        if (!row.again.empty()) check(rig.ask(row.in) == row.again, what + "sent again");
        check(rig.drops == std::vector<Side>(row.again.empty() ? 0 : 1, Side::Pty), what + "drops");
        check(rig.box.setFault("clear", "", error) && rig.ask(Side::Tcp, "GVn#") == "1.20#",
              what + "cleared");
    }
    Rig rig;
    std::string error;
    rig.box.setFault("garbage", "on", error);
    const std::string reply = rig.ask("#GVP#") + rig.ask("#T1\0\x01#"s);
    check(
        reply.size() == 7 && reply.find('#') == 5 && !reply.starts_with("ORV-2") && reply[6] == '#',
        "garbage of the reply's size, ending in #: " + printable(reply));
    // Values that would never strike are refused, not taken.
    for (const auto& [name, value] : {std::pair{"silent-after-block", "224"},
                                      {"drop-after-block", "224"},
                                      {"x", ""},
                                      {"corrupt-readback", "1,0x7000"},
                                      {"silent-after", ""},
                                      {"garbage", "yes"}})
        check(!rig.box.setFault(name, value, error), "refused: "s + name + " " + value);
    rig.box.setFault("reply-delay", "50", error);
    rig.ask("GVn#");
    rig.box.reset(Side::Pty);  // a new client
    rig.advance(50ms);
    check(rig.take(Side::Pty).empty(), "a new client is not sent the replies owed to the old");
}

// The options nothing else uses, through the box they make.
void commandLine() {
    std::istringstream words(
        "boxsim --box gen1 --ident x# --stray=FF0023 --ack=06 --flags 2 --channel 35 --record "
        "000100020003000400052323010023 --boot-reply 1# --boot-ack 79 --silent-after-block 0x1");
    V args{std::istream_iterator<std::string>(words), {}};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    Options opts;
    std::string error;
    check(parseArgs(static_cast<int>(argv.size()), argv.data(), opts, error), error);
    check(!parseArgs(2, std::vector<char*>{argv[0], argv[2]}.data(), opts, error),
          "a bad argument refused");
    Rig rig(opts.box);
    check(rig.ask(Side::Tcp, "GVn#") == "\xff\0#x#"s, "--stray in front of --ident, once");
    check(rig.ask("GVn##gET#") == "x#\0\x01\0\x02\0\x03\0\x04\0\x05###"s &&
              rig.ask("#gRV##gCh##sCh\x07#") == "\x02###\x06",
          "--box gen1 with --record, --flags, --channel and --ack");
    check(rig.ask("ROB#" + std::string(256, 'x')) == "1#\x79",
          "--boot-reply, --boot-ack and --silent-after-block");
}

}  // namespace

int main() {
    overflow();
    replyShaping();
    baudPacing();
    commandTable();
    settingsWritesAndTheirDurability();
    bootLoader();
    eachFault();
    commandLine();
    if (failures == 0) std::printf("boxsim unit test: PASS\n");
    return failures == 0 ? 0 : 1;
}
