// Unit checks of the box without I/O: command framing and reply pacing here
// (which the running program shows only with timing noise), the box itself
// on fakes in box_test.cpp. Exit status 0 = all passed; each failure is printed.

#include "outbox.h"
#include "protocol.h"
#include "test_support.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using boxsim::test::check;

std::vector<std::string> drain(boxsim::Framer& framer)
{
    std::vector<std::string> out;
    while (auto command = framer.next())
        out.push_back(*command);
    return out;
}

void fixedLengthCommands()
{
    using V = std::vector<std::string>;
    boxsim::Framer framer({ { "#T1", 6 } });

    // Raw bytes that happen to be "#" stay inside the command.
    framer.append(std::string("#T1#\x00#GVn#", 10));
    check(drain(framer) == V { std::string("#T1#\x00#", 6), "GVn#" }, "fixed length with # inside");

    // Split anywhere, even inside the prefix, the command waits for all its bytes.
    for (const char* piece : { "#", "T", "1", "#", "#" })
        framer.append(piece), check(drain(framer).empty(), "incomplete fixed-length command waits");
    framer.append("#");
    check(drain(framer) == V { "#T1###" }, "fixed-length command completed");

    // A "#"-command that only shares the first bytes of the prefix is framed as usual.
    framer.append("#T2#");
    check(drain(framer) == V { "#T2#" }, "other #-command");
}

void overflow()
{
    boxsim::Framer framer({});
    framer.append(std::string(boxsim::Framer::maxPending, 'x'));
    check(drain(framer).empty(), "a full buffer still waits");
    framer.append("yGVn#");
    const auto out = drain(framer);
    check(out.size() == 1 && out[0].size() == boxsim::Framer::maxPending + 5, "overflow frames up to the #");
    framer.append(std::string(boxsim::Framer::maxPending + 1, 'x'));
    check(drain(framer).size() == 1 && framer.pending() == 0, "overflow without # is dropped as one command");
}

void replyOrder()
{
    using namespace std::chrono_literals;
    using boxsim::Side;
    const auto t0 = boxsim::Outbox::Clock::time_point {};
    std::vector<std::string> sent;
    const auto record = [&](Side side, std::string_view bytes) {
        sent.push_back(std::string(boxsim::sideName(side)) + ":" + std::string(bytes));
    };

    boxsim::Outbox box({ 2, 20ms, 50ms });
    box.push(Side::Pty, "1.20#", t0);
    box.push(Side::Pty, "ab", t0 + 10ms); // asked while the first is still going out
    box.push(Side::Tcp, "xyz", t0 + 10ms);
    // Pty: "1." at 50, "20" at 70, "#" at 90, then "ab" a gap later at 110. Tcp: "xy" at 60, "z" at 80.
    box.release(t0 + 49ms, record);
    check(sent.empty() && box.nextDue() == t0 + 50ms, "nothing before the delay");
    box.release(t0 + 60ms, record);
    check((sent == std::vector<std::string> { "pty:1.", "tcp:xy" }), "chunks due by then");
    box.release(t0 + 109ms, record);
    check((sent == std::vector<std::string> { "pty:1.", "tcp:xy", "pty:20", "pty:#", "tcp:z" }),
          "chunks of the first replies");
    check(box.nextDue() == t0 + 110ms, "second reply one gap after the first");
    box.release(t0 + 110ms, record);
    check(sent.back() == "pty:ab", "second reply sent");

    sent.clear();
    box.push(Side::Tcp, "late", t0 + 300ms);
    box.drop(Side::Tcp);
    box.release(t0 + 1s, record);
    check(sent.empty() && !box.nextDue(), "dropped replies are not sent");
}

// At a baud rate every byte leaves when its 10 bits are out: the whole
// program memory takes 4.98 s at 57600 baud and 29.87 s at 9600. Waking up
// exactly when nextDue() says always brings at least one byte (no spinning).
void baudPacing()
{
    using namespace std::chrono;
    using boxsim::Side;
    const auto t0 = boxsim::Outbox::Clock::time_point {};
    const std::string memory(28672, 'x');

    for (const auto& [baud, seconds] : { std::pair { 57600u, 4.977777 }, { 9600u, 29.866666 } }) {
        boxsim::Outbox box({ 0, 20ms, 0ms, baud });
        box.push(Side::Tcp, memory, t0);
        box.push(Side::Tcp, "#", t0); // queued behind: starts when the line is free
        std::size_t sent = 0, wakeups = 0;
        bool stalled = false;
        boxsim::Outbox::Clock::time_point last = t0;
        while (const auto due = box.nextDue()) {
            const std::size_t before = sent;
            box.release(*due, [&](Side, std::string_view bytes) { sent += bytes.size(); });
            stalled = stalled || sent == before;
            last = *due;
            if (++wakeups > memory.size() + 1 || stalled)
                break;
        }
        const double took = duration<double>(last - t0).count();
        check(sent == memory.size() + 1 && !stalled, "paced bytes all sent, " + std::to_string(baud) + " baud");
        check(took > seconds + 9.0 / baud && took < seconds + 11.0 / baud,
              "paced transfer time " + std::to_string(took) + " s at " + std::to_string(baud) + " baud");
    }

    // Half way through, only the bytes whose bits are out have left.
    boxsim::Outbox box({ 0, 20ms, 0ms, 57600 });
    box.push(Side::Pty, memory, t0);
    std::size_t sent = 0;
    box.release(t0 + seconds(1), [&](Side, std::string_view bytes) { sent += bytes.size(); });
    check(sent == 5760, "5760 bytes in the first second at 57600 baud");
}

} // namespace

int main()
{
    fixedLengthCommands();
    overflow();
    replyOrder();
    baudPacing();
    boxsim::test::boxTests();
    const int failures = boxsim::test::failures;
    if (failures == 0)
        std::printf("boxsim protocol test: PASS\n");
    return failures == 0 ? 0 : 1;
}
