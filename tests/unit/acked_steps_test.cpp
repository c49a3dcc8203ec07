// The acknowledged-step run shared by the settings write and the firmware blocks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "link/acked_steps.h"

namespace {

struct Steps : ::testing::Test {
    orv::fake::Clock clock;
    std::unique_ptr<orv::platform::Timer> timer = clock.make_timer();
    orv::link::AckedSteps run{*timer, 3000};
    std::vector<std::string> log;

    void SetUp() override {
        timer->on_tick = [this] { run.timed_out(); };
        run.send = [this](std::size_t i) { log.push_back("send " + std::to_string(i)); };
        run.done = [this] { log.push_back("done"); };
        run.silent = [this](std::size_t i) {
            log.push_back("silent " + std::to_string(i));
            run.acknowledged();  // an ack delivered while the message is open moves nothing
        };
    }
};

TEST_F(Steps, EachStepWaitsForTheAcknowledgementOfTheOneBefore) {
    run.start(3);
    clock.advance(2999);  // each step has the whole time-out of its own
    run.acknowledged();
    clock.advance(2999);
    run.acknowledged();
    EXPECT_EQ(log, (std::vector<std::string>{"send 0", "send 1", "send 2"}));
    EXPECT_TRUE(run.running());
    run.acknowledged();
    EXPECT_EQ(log.back(), "done");
    EXPECT_FALSE(run.running());
    clock.advance(10000);
    run.acknowledged();  // a late one changes nothing
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(Steps, ASilentStepEndsTheRunOnceAndNamesTheStepInFlight) {
    run.start(5);
    run.acknowledged();
    clock.advance(3000);
    EXPECT_EQ(log, (std::vector<std::string>{"send 0", "send 1", "silent 1"}));
    EXPECT_FALSE(run.running());
    clock.advance(10000);
    EXPECT_EQ(log.size(), 3u);

    // Stopped by its owner: no word, no more sends, no time-out.
    log.clear();
    run.start(2);
    run.stop();
    run.acknowledged();
    clock.advance(10000);
    EXPECT_EQ(log, (std::vector<std::string>{"send 0"}));
}

}  // namespace
