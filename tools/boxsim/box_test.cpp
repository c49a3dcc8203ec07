// The box on fakes: settings over both sides, commands without reply, the
// boot loader and the faults, with the time moved by hand.

#include "test_support.h"

#include "hex.h"

#include <initializer_list>

namespace boxsim::test {

namespace {

using namespace std::chrono_literals;

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// A six-byte write: prefix, value byte(s), "#".
std::string write(std::string prefix, std::initializer_list<int> values)
{
    return prefix + bytes(values) + "#";
}

// A program image whose bytes differ from block to block and include "#".
std::string image()
{
    std::string out;
    for (std::size_t i = 0; i < BootLoader::memorySize; ++i)
        out += static_cast<char>((i * 7 + i / BootLoader::blockSize) & 0xff);
    return out;
}

void settings()
{
    Rig rig;
    check(rig.ask("#gRV#") == bytes({ 0, '#' }), "default flags");
    check(rig.ask(Side::Tcp, "#gET#") == bytes({ 0, 120, 0, 60, 0, 30, 0, 15, 0, 5, 0, 10, 0, 0, '#' }),
          "generation 2 record: 15 bytes with the defaults");
    check(rig.ask("#gCh#") == bytes({ 12, '#' }), "default channel");

    // Every write in one go, value bytes "#" included: one ack byte each.
    const std::string all = write("#T1", { 0x23, 0x23 }) + write("#T2", { 0x01, 0x23 }) + write("#T3", { 0x23, 0 })
        + write("#T4", { 0xff, 0xff }) + write("#T5", { 0, 0 }) + write("#Td", { 0x23, 0x01 })
        + write("#rRA", { 1 }) + write("#rDE", { 0x23 }) + write("#sCh", { 0x23 }) + write("#rCh", { 5 })
        + "#ASM1##SEQ1#";
    check(rig.ask(Side::Tcp, all) == std::string(12, '#'), "one ack per write");
    const std::string times = bytes({ 0x23, 0x23, 0x01, 0x23, 0x23, 0, 0xff, 0xff, 0, 0, 0x23, 0x01 });
    check(rig.ask("#gET#") == times + bytes({ 1, 1, '#' }), "times and options read back on the other side");
    check(rig.ask("#gRV#") == bytes({ 3, '#' }) && rig.ask("#gCh#") == bytes({ 0x23, '#' }), "flags and channel");
    check(rig.box.record().dump() == bytes({ 3 }) + times + bytes({ 1, 1, 0x23 }), "dump layout");
    check(rig.box.state().find("remote-channel=5") != std::string::npos, "remote channel kept");

    check(rig.ask(write("#rRA", { 0 }) + "#ASM0##SEQ0#") == "###", "clearing writes acked");
    check(rig.ask("#gRV#") == bytes({ 2, '#' }) && rig.box.record().dump().substr(13, 2) == bytes({ 0, 0 }),
          "RA flag and options cleared");

    rig.box.selectIdentity("gen1");
    check(rig.ask("#gET#") == times + "#", "generation 1 record: 13 bytes");

    // A write that comes byte by byte is acked once, after its last byte.
    std::string acks;
    for (char c : write("#T5", { 0x23, 0x23 }))
        acks += rig.ask(std::string(1, c)) + ".";
    check(acks == ".....#.", "write in single bytes: " + acks);
    check(rig.ask(write("#T1", { 1, 2 }).substr(0, 5) + "!") == "" && rig.lastCommand() == "UNKNOWN #T1\\x01\\x02!",
          "a write not ending in # is unknown");

    BoxConfig config;
    config.ack = '\x06';
    Rig other(config);
    check(other.ask(write("#T1", { 0, 1 })) == "\x06" && other.ask("#SEQ1#") == "\x06", "ack byte from the options");
}

void withoutReply()
{
    Rig rig;
    const std::vector<std::string> known = { "#Mn#", "#Ms#", "#Me#", "#Mw#", "#Qn#", "#Qs#", "#Qe#", "#Qw#", "#Q#",
                                             "#Mgn0150#", "#Mgs#", "#Mgwx\x01#", "#F+#", "#F-#", "#FQ#",
                                             "#XP1#", "#XP0#" };
    std::string sent;
    for (const auto& command : known)
        sent += rig.ask(command);
    rig.ask("#Mgx10#:GR#");
    std::vector<std::string> expected;
    for (const auto& command : known)
        expected.push_back("CMD " + printable(command));
    expected.insert(expected.end(), { "UNKNOWN #Mgx10#", "UNKNOWN :GR#" });
    check(sent.empty(), "motion, focus and shutter get no reply");
    check(rig.commands() == expected, "motion, focus and shutter logged in order");
}

void bootRun()
{
    Rig rig;
    const std::string program = image();
    check(rig.ask("ROB#") == "2#" && rig.box.state().find("mode=boot") == 0, "ROB# starts the boot loader");

    // Blocks arrive in pieces of 100 bytes; each is acked once it is whole.
    std::string acks;
    bool early = false;
    for (std::size_t at = 0; at < program.size(); at += 100) {
        const std::string reply = rig.ask(program.substr(at, 100));
        early = early || reply.size() != (at + 100) / 128 - at / 128;
        acks += reply;
    }
    check(acks == std::string(BootLoader::blockCount, '\x06') && !early, "one ack per block, when it is whole");
    check(rig.box.state() == "mode=boot received=28672 blocks=224 remote-channel=12 silenced=no", rig.box.state());
    check(rig.box.memory() == program, "program memory holds the blocks");
    check(rig.ask("A") == program, "read-back");
    check(rig.ask("AAAA") == "" && rig.box.state().find("mode=normal") == 0, "AAAA ends the boot loader");
    check(rig.ask("AAAAGVn#") == "1.20#", "a second AAAA, then ordinary commands");

    auto commands = rig.commands();
    check(commands.size() == 1 + 224 + 4 && commands[0] == "CMD ROB#" && commands[1] == "CMD block 0"
              && commands[224] == "CMD block 223" && commands[225] == "CMD A" && commands[226] == "CMD AAAA"
              && commands[227] == "CMD AAAA",
          "boot loader log");
}

void bootEdges()
{
    BoxConfig config;
    config.bootReply = "1#";
    config.bootAck = 'k';
    config.memory = "xyz";
    Rig rig(config);
    const std::string block(BootLoader::blockSize, '#');

    check(rig.ask("ROB#" + block + "ROB") == "1#k", "bytes after ROB# in the same read are the first block");
    check(rig.ask(Side::Tcp, "GVn#") == "1.20#", "the other side is served during boot mode");
    check(rig.ask("#") == "1#" && rig.lastCommand() == "CMD ROB#"
              && rig.box.state().find("received=0 blocks=0") != std::string::npos,
          "ROB# where a block starts restarts, even in pieces");

    check(rig.ask(block.substr(0, 50)) == "", "half a block");
    rig.box.reset(Side::Pty); // a new client
    check(rig.ask(block) == "k" && rig.box.state().find("blocks=1") != std::string::npos,
          "a new client loses the half block, not boot mode");

    rig.ask("ROB#");
    std::string all;
    for (std::size_t k = 0; k < BootLoader::blockCount; ++k)
        all += block;
    rig.ask(all);
    check(rig.ask("x") == "" && rig.lastCommand() == "UNKNOWN x", "stray byte after the last block");
    check(rig.ask("AA") == "" && rig.ask("AA") == "" && rig.box.state().find("mode=normal") == 0,
          "AAAA in two pieces");

    Rig fresh(config);
    fresh.ask("ROB#" + all);
    const std::string memory = fresh.ask("A");
    check(memory.size() == BootLoader::memorySize && memory == all, "read-back after a full run");
    Rig loaded(config);
    const std::string start = loaded.box.memory();
    check(start.substr(0, 3) == "xyz" && start.substr(3) == std::string(BootLoader::memorySize - 3, '\xff'),
          "memory loaded from address 0, the rest 0xff");
}

void silence()
{
    BoxConfig config;
    config.faults.silentAfter = "#T3";
    Rig rig(config);
    const std::string replies = rig.ask(write("#T1", { 0, 1 }) + write("#T2", { 0, 1 }) + write("#T3", { 0, 1 })
                                        + write("#T4", { 0, 1 }) + "#gRV#");
    check(replies == "##", "silent from the #T3 write on: " + replies);
    check(rig.ask(Side::Tcp, "GVn#") == "" && rig.box.state().find("silenced=yes") != std::string::npos,
          "silent on both sides");
    check(rig.box.record().times[3] == 1, "a silent box still applies writes");
    std::string error;
    check(rig.box.setFault("clear", "", error) && rig.ask("GVn#") == "1.20#", "fault clear");

    rig.box.setFault("silent-after-block", "5", error);
    rig.ask("ROB#");
    const std::string acks = rig.ask(std::string(BootLoader::memorySize, '\0') + "A");
    check(acks == std::string(5, '\x06'), "acks up to block 4, nothing from block 5 on");
    check(!rig.box.setFault("silent-after-block", "224", error) && !rig.box.setFault("loud", "1", error),
          "bad faults refused");
}

void drops()
{
    BoxConfig config;
    config.faults.dropAfterBlock = 3;
    Rig rig(config);
    rig.ask("ROB#");
    check(rig.ask(std::string(5 * BootLoader::blockSize, 'x')) == std::string(3, '\x06'),
          "no ack for the block that drops the link");
    check(rig.drops == std::vector<Side> { Side::Pty }
              && rig.box.state().find("received=512 blocks=4") != std::string::npos,
          "link dropped after block 3, the rest of the read lost");
    rig.ask("ROB#");
    check(rig.ask(std::string(5 * BootLoader::blockSize, 'x')) == std::string(5, '\x06') && rig.drops.size() == 1,
          "a drop happens once");

    std::string error;
    rig.box.setFault("drop-after-bytes", "10", error);
    check(rig.ask(Side::Tcp, "GVn#GVn#GVn#") == "1.20#1.20#" && rig.drops.back() == Side::Tcp,
          "dropped after 10 bytes");
    check(rig.ask(Side::Tcp, "n#GVn#") == "1.20#", "the rest of the read is lost, not kept half");
}

void readBackAndGarbage()
{
    Faults faults;
    faults.corruptReadback = { 0, 0x6fff };
    faults.shortReadback = 0x7000;
    const std::string memory(BootLoader::memorySize, '\x5a');
    std::string expected = memory;
    expected.front() = expected.back() = '\xa5';
    check(readBack(faults, memory) == expected, "corrupted read-back");
    faults.shortReadback = 100;
    check(readBack(faults, memory).size() == 100, "short read-back");

    BoxConfig config;
    config.faults.garbage = true;
    Rig rig(config);
    const std::string reply = rig.ask("#GVP#");
    check(reply.size() == 6 && reply.find('#') == 5 && reply != "ORV-2#", "garbage reply");
    check(rig.ask(write("#T1", { 0, 1 })) == "#", "garbage one-byte ack");

    std::string error;
    rig.box.setFault("garbage", "off", error);
    rig.box.setFault("reply-delay", "50", error);
    check(rig.ask("GVn#").empty(), "delayed at run time");
    rig.advance(49ms);
    check(rig.take(Side::Pty).empty(), "not before the delay");
    rig.advance(1ms);
    check(rig.take(Side::Pty) == "1.20#", "after the delay");
}

} // namespace

void boxTests()
{
    settings();
    withoutReply();
    bootRun();
    bootEdges();
    silence();
    drops();
    readBackAndGarbage();
}

} // namespace boxsim::test
