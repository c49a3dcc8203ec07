// Every exchange that waits for the box, with a box that goes silent, drops the link, answers
// garbage or answers far too slowly, over its pseudo-terminal and through ser2net. In every
// case the user is told within the time-out, the window keeps answering, no failure ends in a
// success message, and CONNECT works again afterwards.

#include <gtest/gtest.h>

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

const char* const kExchangeNames[] = {"Identify", "Read", "Write", "Boot", "Blocks", "ReadBack"};
const char* const kFaultNames[] = {"Silent", "Drop", "Garbage", "Slow"};

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
                live->program->firmware.boot_up.click();
                break;
            case Exchange::Blocks:
            case Exchange::ReadBack:
                ASSERT_TRUE(live->start_programming([&] { ASSERT_EQ(box->ask(fault), "OK"); }));
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
    QElapsedTimer clock, since_probe;
    qint64 longest_stall = 0;
    QTimer probe;  // the longest the event loop went without running this 5 ms timer
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longest_stall = std::max(longest_stall, since_probe.restart()); });
    since_probe.start();
    probe.start(5);
    clock.start();
    strike();
    // Searched from 1, past the first bracket: even no words expected need a message.
    ASSERT_TRUE(
        wait_until([&] { return live->said().find(c.expected, 1) != std::string::npos; }, 15000))
        << "expected \"" << c.expected << "\", got " << live->said();
    EXPECT_LT(clock.elapsed(), 14000);
    EXPECT_EQ(live->said().find("successfully"), std::string::npos) << live->said();
    EXPECT_LT(longest_stall, 250) << "the window stopped answering";
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

// Words of the message the user must get, by exchange and by fault (silent, drop, garbage, slow);
// none where that fault cannot strike that exchange.
const char* const kExpected[][4] = {
    {"No Orvantis found", "", "No Orvantis found", "No Orvantis found"},
    {"did not answer the button reversal", "lost", "No Orvantis found", "did not answer"},
    {"\"Time #3\"", "lost", nullptr, "did not acknowledge"},
    {"did not answer BOOT UP", "lost", nullptr, "did not answer BOOT UP"},
    {"block 5 of 224", "lost", nullptr, "block 0 of 224"},
    {"could not be verified", "lost", "did not succeed", nullptr},
};

std::vector<Case> cases() {
    std::vector<Case> out;
    for (bool gateway : {false, true})
        for (int e = 0; e < 6; ++e)
            for (int f = 0; f < 4; ++f)  // only the serial link reads the memory back
                if (kExpected[e][f] && !(gateway && Exchange(e) == Exchange::ReadBack))
                    out.push_back({Exchange(e), Fault(f), gateway, kExpected[e][f]});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryExchange, FaultMatrix, ::testing::ValuesIn(cases()),
                         [](const auto& param_info) {
                             const Case& c = param_info.param;
                             return std::string(kExchangeNames[static_cast<int>(c.exchange)]) +
                                    kFaultNames[static_cast<int>(c.fault)] +
                                    (c.gateway ? "Ser2net" : "Pty");
                         });

}  // namespace
