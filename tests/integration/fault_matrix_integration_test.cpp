// Every exchange that waits for the box, with a box that goes silent, drops the link, answers
// garbage or answers far too slowly, over its pseudo-terminal and through ser2net. In every
// case the user is told within the time-out, the window keeps answering, no failure ends in a
// success message, and CONNECT works again afterwards.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <string>

#include "integration/live_program.h"

namespace {

using orv::test::wait_until;

enum class Exchange { Identify, Read, Write, Boot, Blocks, ReadBack };
enum class Fault { Silent, Drop, Garbage, Slow };

struct Case {
    Exchange exchange;
    Fault fault;
    bool gateway;
    const char* expected;  // words of the message the user must get
};

const char* name_of(Exchange e) {
    static const char* names[] = {"Identify", "Read", "Write", "Boot", "Blocks", "ReadBack"};
    return names[static_cast<int>(e)];
}
const char* name_of(Fault f) {
    static const char* names[] = {"Silent", "Drop", "Garbage", "Slow"};
    return names[static_cast<int>(f)];
}

// The longest time the event loop went without running a 5 ms probe timer.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
        since_.start();
        timer_.start(5);
    }
    qint64 longest_ms() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

class FaultMatrix : public ::testing::TestWithParam<Case>, protected orv::test::BoxOnLink {
protected:
    void SetUp() override {
        start_box();
        start_program();
        live->program->settings.baud_box.set_text("57600");  // as fast as the box sends
        ASSERT_TRUE(connect());
        live->dialogs.shown.clear();
    }
    void start_box() { BoxOnLink::start_box({"--box", "gen2", "--baud", "57600"}, GetParam().gateway); }
    bool in_boot_loader() const {
        const Exchange e = GetParam().exchange;
        return e == Exchange::Boot || e == Exchange::Blocks || e == Exchange::ReadBack;
    }
    // Sets the fault up so that it strikes at the exchange, then starts the exchange. During a
    // programming run the fault is set once the boot loader is ready.
    void strike() {
        const Case c = GetParam();
        const bool run = c.exchange == Exchange::Blocks || c.exchange == Exchange::ReadBack;
        const char* silent[] = {"silent-after GVn#", "silent-after #gRV#",   "silent-after #T3",
                                "silent-after ROB#", "silent-after-block 5", "silent-after A"};
        const char* others[] = {"", "clear", "garbage on", "reply-delay 12000"};
        const std::string fault =
            std::string("fault ") + (c.fault == Fault::Silent ? silent[static_cast<int>(c.exchange)]
                                                              : others[static_cast<int>(c.fault)]);
        if (!run) {
            ASSERT_EQ(box->ask(fault), "OK");
        }
        if (in_boot_loader()) live->load_firmware(orv::test::zero_firmware(dir));
        auto& m = live->main();
        auto& w = live->program->firmware;
        switch (c.exchange) {
            case Exchange::Identify:
                m.connect_button.click();  // DISCONNECT
                live->connect(c.gateway ? "TCP Port" : "COM3");
                break;
            case Exchange::Read:
                m.read_settings.click();
                break;
            case Exchange::Write:
                for (auto& t : m.time_boxes) t.set_text("20");
                m.write_settings.click();
                break;
            case Exchange::Boot:
                w.boot_up.click();
                break;
            case Exchange::Blocks:
            case Exchange::ReadBack:
                w.boot_up.click();
                ASSERT_TRUE(wait_until([&] { return w.program_button.enabled(); }, 3000));
                ASSERT_EQ(box->ask(fault), "OK");
                live->dialogs.shown.clear();
                w.program_button.click();
                break;
        }
        if (c.fault != Fault::Drop) return;
        const std::string reached = c.exchange == Exchange::Blocks ? "CMD block 5" : "CMD A\n";
        if (run) wait_until([&] { return box->logged(reached) > 0; }, 10000);
        if (c.gateway)
            gateway->kill();
        else
            box->kill();
    }
};

TEST_P(FaultMatrix, TheUserIsToldInTimeAndCanConnectAgain) {
    const Case c = GetParam();
    StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    strike();
    const bool told = wait_until(
        [&] {
            return !live->dialogs.messages().empty() &&
                   live->said().find(c.expected) != std::string::npos;
        },
        15000);
    ASSERT_TRUE(told) << "expected \"" << c.expected << "\", got " << live->said();
    EXPECT_LT(clock.elapsed(), 14000);
    EXPECT_EQ(live->said().find("successfully"), std::string::npos) << live->said();
    EXPECT_LT(probe.longest_ms(), 250) << "the window stopped answering";
    EXPECT_FALSE(live->program->settings_write.running());
    EXPECT_FALSE(live->program->programmer.running());

    // Whatever happened, the user can connect again once the box answers. A box that was
    // unplugged, is still sending late replies, or was left in its boot loader is power-cycled
    // first, as its owner would; the others only stop misbehaving.
    orv::test::pause(300);
    if (c.fault == Fault::Drop || c.fault == Fault::Slow || in_boot_loader()) {
        box.reset();
        gateway.reset();
        start_box();
    } else {
        ASSERT_EQ(box->ask("fault clear"), "OK");
    }
    if (live->main().connect_button.caption() == "DISCONNECT") live->main().connect_button.click();
    EXPECT_TRUE(connect()) << "CONNECT does not work again";
}

std::vector<Case> cases() {
    std::vector<Case> out;
    for (bool gateway : {false, true}) {
        out.push_back({Exchange::Identify, Fault::Silent, gateway, "No Orvantis found"});
        out.push_back({Exchange::Identify, Fault::Garbage, gateway, "No Orvantis found"});
        out.push_back({Exchange::Identify, Fault::Slow, gateway, "No Orvantis found"});
        out.push_back({Exchange::Identify, Fault::Drop, gateway, ""});
        out.push_back({Exchange::Read, Fault::Silent, gateway, "did not answer the button reversal"});
        out.push_back({Exchange::Read, Fault::Garbage, gateway, "No Orvantis found"});
        out.push_back({Exchange::Read, Fault::Slow, gateway, "did not answer"});
        out.push_back({Exchange::Read, Fault::Drop, gateway, "lost"});
        out.push_back({Exchange::Write, Fault::Silent, gateway, "\"Time #3\""});
        out.push_back({Exchange::Write, Fault::Slow, gateway, "did not acknowledge"});
        out.push_back({Exchange::Write, Fault::Drop, gateway, "lost"});
        out.push_back({Exchange::Boot, Fault::Silent, gateway, "did not answer BOOT UP"});
        out.push_back({Exchange::Boot, Fault::Slow, gateway, "did not answer BOOT UP"});
        out.push_back({Exchange::Boot, Fault::Drop, gateway, "lost"});
        out.push_back({Exchange::Blocks, Fault::Silent, gateway, "block 5 of 224"});
        out.push_back({Exchange::Blocks, Fault::Slow, gateway, "block 0 of 224"});
        out.push_back({Exchange::Blocks, Fault::Drop, gateway, "lost"});
    }
    // Only the serial link reads the memory back.
    out.push_back({Exchange::ReadBack, Fault::Silent, false, "could not be verified"});
    out.push_back({Exchange::ReadBack, Fault::Garbage, false, "did not succeed"});
    out.push_back({Exchange::ReadBack, Fault::Drop, false, "lost"});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryExchange, FaultMatrix, ::testing::ValuesIn(cases()),
                         [](const auto& param_info) {
                             const Case& c = param_info.param;
                             return std::string(name_of(c.exchange)) + name_of(c.fault) +
                                    (c.gateway ? "Ser2net" : "Pty");
                         });

}  // namespace
