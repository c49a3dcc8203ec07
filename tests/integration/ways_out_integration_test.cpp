// Every way out while the box is busy, against the simulated box as a real process: EXIT, the
// close control and SIGTERM over its pseudo-terminal, each during a programming run, a focus
// run and an exposure sequence; DISCONNECT over the pseudo-terminal during a focus run and
// through ser2net during a sequence; and a lost link (the gateway killed) through ser2net during each run. The box
// itself says what it was left doing; after a lost link, connecting again resumes nothing.

#include <gtest/gtest.h>

#include <string>

#include "integration/live_program.h"

namespace {

using orv::test::Gateway;
using orv::test::wait_until;

enum class Way { Exit, Close, Sigterm, Disconnect, LostLink };
enum class Run { Programming, Focus, Sequence };
const char* const kWayNames[] = {"Exit", "Close", "Sigterm", "Disconnect", "LostLink"};
const char* const kRunNames[] = {"Programming", "Focus", "Sequence"};

struct Case {
    Way way;
    Run run;
};

class WaysOut : public ::testing::TestWithParam<Case>, protected orv::test::BoxOnLink {
protected:
    void SetUp() override {
        const Case c = GetParam();
        const bool disconnect_tcp = c.way == Way::Disconnect && c.run == Run::Sequence;
        ASSERT_TRUE(start_connected({"--box", "gen2"}, c.way == Way::LostLink || disconnect_tcp));
    }
    std::size_t logged(const std::string& command) const {
        return box->logged(" " + command + "\n");
    }
    // How many commands the box has logged, known or not.
    std::size_t commands() const {
        const std::string log = box->log();
        return orv::test::count(log, " CMD ") + orv::test::count(log, " UNKNOWN ");
    }
    int blocks() {
        const std::string state = box->ask("state");
        return std::stoi(state.substr(state.find("blocks=") + 7));
    }
    // Starts the run and waits until the box is in the middle of it.
    void start() {
        auto& m = live->main();
        switch (GetParam().run) {
            case Run::Programming:
                live->load_firmware(orv::test::zero_firmware(dir));
                ASSERT_TRUE(live->start_programming());
                ASSERT_TRUE(wait_until([&] { return blocks() >= 5; }, 5000));
                break;
            case Run::Focus:
                m.focus_position.set_text("5000");
                m.setpoint_box[0].set_text("9000");  // forty seconds of running
                m.goto_setpoint[0].click();
                ASSERT_TRUE(wait_until([&] { return logged("#F+#") == 1; }, 2000));
                break;
            case Run::Sequence:
                m.exposure_secs.set_text("30");
                m.exposure_gap.set_text("1");
                m.exposure_count.set_text("3");
                m.auto_shutter.click();
                ASSERT_TRUE(wait_until([&] { return logged("#XP1#") == 1; }, 2000));
                break;
        }
    }
    // Whether the box was left still (focuser stopped, shutter closed) or, for programming, in
    // its boot loader with no more blocks coming.
    bool box_left_still() {
        switch (GetParam().run) {
            case Run::Programming: {
                const int at = blocks();
                orv::test::pause(600);
                return box->ask("state").find("mode=boot") != std::string::npos && at < 224 &&
                       blocks() == at;
            }
            case Run::Focus:
                return logged("#FQ#") == 1;
            case Run::Sequence:
                return logged("#XP0#") == 1;
        }
        return false;
    }
};

TEST_P(WaysOut, LeaveTheBoxInAKnownStateAndSaySo) {
    const Case c = GetParam();
    start();
    auto& p = *live;
    p.dialogs.answers = {orv::platform::Answer::Yes};  // "Quit anyway?"
    std::string note;
    switch (c.way) {
        case Way::Exit:
            p.main().exit_button.click();
            break;
        case Way::Close:
            p.program->main_closing();
            break;
        case Way::Sigterm:
            note = p.program->terminate();
            break;
        case Way::Disconnect:
            p.main().connect_button.click();
            break;
        case Way::LostLink:
            gateway->kill();
            break;
    }
    if (c.way != Way::LostLink) {
        EXPECT_EQ(p.program->finished(), c.way != Way::Disconnect);
        EXPECT_TRUE(wait_until([&] { return box_left_still(); }, 2000)) << box->log();
        const bool programming = c.run == Run::Programming;
        EXPECT_EQ(note, programming && c.way == Way::Sigterm ? orv::kLeftInBootLoader : "");
        EXPECT_EQ(p.dialogs.messages().size(), 0u);  // nothing but the question, if any
        const bool asked =
            !p.dialogs.shown.empty() && p.dialogs.shown.back().text == orv::kQuitWhileProgramming;
        EXPECT_EQ(asked, programming && c.way != Way::Sigterm);
    } else {
        ASSERT_TRUE(wait_until([&] { return !p.dialogs.messages().empty(); }, 8000));
        const char* expected[] = {"programming did not complete",
                                  "while the focuser was running: it may still be running",
                                  "with the shutter open: the camera may still be exposing"};
        EXPECT_NE(p.said().find(expected[static_cast<int>(c.run)]), std::string::npos) << p.said();
        // Connected again: nothing of the old run goes out by itself. A box left in its boot
        // loader does not answer the identification, and gets no more blocks either.
        const std::size_t before = box->log().size();
        const int blocks_then = blocks();
        gateway = std::make_unique<Gateway>(link);
        p.dialogs.shown.clear();
        if (c.run == Run::Programming) {
            EXPECT_FALSE(connect());
            EXPECT_EQ(blocks(), blocks_then);
            EXPECT_NE(box->ask("state").find("mode=boot"), std::string::npos);
        } else {
            ASSERT_TRUE(connect());
            // The box writes its log a moment after it answers: let the identification's lines
            // land, then count the commands that follow.
            orv::test::pause(300);
            const std::size_t after_identify = commands();
            orv::test::pause(2000);
            EXPECT_EQ(commands(), after_identify) << box->log().substr(before);
        }
    }
}

std::vector<Case> all_cases() {
    std::vector<Case> out;
    for (Way w : {Way::Exit, Way::Close, Way::Sigterm, Way::Disconnect, Way::LostLink})
        for (Run r : {Run::Programming, Run::Focus, Run::Sequence})
            if (w != Way::Disconnect || r != Run::Programming) out.push_back({w, r});
    return out;
}

INSTANTIATE_TEST_SUITE_P(EveryWayAndRun, WaysOut, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return std::string(kWayNames[static_cast<int>(param.param.way)]) +
                                    "During" + kRunNames[static_cast<int>(param.param.run)];
                         });

}  // namespace
