// Leaving the program while something runs on the box: EXIT, the close control, SIGTERM and
// the end of the session leave nothing moving or exposing, and never leave the box
// half-programmed without saying so.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "firmware/hex_image.h"
#include "unit/connected_rig.h"

namespace {

using orv::fake::Connected;
using Texts = std::vector<std::string>;
using orv::platform::Answer;

// Each way out, driven as the windows and main() drive it.
const std::vector<std::pair<const char*, std::function<void(Connected&)>>> kWaysOut = {
    {"EXIT", [](Connected& r) { r.main.exit_button.click(); }},
    {"close control", [](Connected& r) { r.program.main_closing(); }},
    {"SIGTERM", [](Connected& r) { r.program.terminate(); }},
};

TEST(WayOut, EveryWayOutStopsAFocusRunAnExposureRunAndAnOpenShutter) {
    for (const auto& [how, leave] : kWaysOut) {
        {
            Connected r;
            r.main.setpoint_box[0].set_text("4000");
            r.main.goto_setpoint[0].click();
            r.clock.advance(50);
            r.commands();
            leave(r);
            EXPECT_EQ(r.commands(), Texts{"#FQ#"}) << how;
            EXPECT_TRUE(r.program.finished()) << how;
            EXPECT_EQ(r.saved("focus"), r.main.focus_position.text()) << how;
        }
        {
            Connected r;
            r.main.exposure_secs.set_text("5");
            r.main.exposure_gap.set_text("1");
            r.main.exposure_count.set_text("3");
            r.main.auto_shutter.click();
            r.clock.advance(1000);
            r.commands();
            leave(r);
            EXPECT_EQ(r.commands(), Texts{"#XP0#"}) << how;
            EXPECT_FALSE(r.program.sequencer_timer->active()) << how;
        }
        {
            Connected r;
            r.main.shutter_on.click();
            r.commands();
            leave(r);
            EXPECT_EQ(r.commands(), Texts{"#XP0#"}) << how;
        }
        {
            // A held arrow: the mount stops, and the arrow's release later sends nothing.
            Connected r;
            r.main.slew_up.press();
            r.commands();
            leave(r);
            EXPECT_EQ(r.commands(), Texts{"#Q#"}) << how;
            r.main.slew_up.release();
            EXPECT_TRUE(r.commands().empty()) << how;
        }
        {
            // Nothing running: nothing is sent.
            Connected r;
            leave(r);
            EXPECT_TRUE(r.commands().empty()) << how;
            EXPECT_TRUE(r.shown().empty()) << how;
        }
    }
}

// Connected, a file confirmed, BOOT UP answered and PROGRAM pressed: a run is on.
struct Programming : ::testing::Test {
    Connected r;
    const std::string file = ":0400000001020304F2\r\n:00000001FF\r\n";

    void SetUp() override {
        r.files.files["/fw/box.hex"] = file;
        r.main.password_box.set_text("7reed4reed");
        r.main.firmware_upload.click();
        r.dialogs.files.push_back("/fw/box.hex");
        r.dialogs.inputs.push_back(std::to_string(orv::firmware::confirmation_sum(file)));
        r.program.firmware.browse.click();
        r.program.firmware.boot_up.click();
        r.serial.arrive("2#");
        r.program.firmware.program_button.click();
        for (int k = 0; k < 10; ++k) r.serial.arrive("K");
        ASSERT_TRUE(r.program.programmer.running());
        r.commands();
        r.shown();
    }
};

TEST_F(Programming, ExitOrTheCloseControlAskFirstAndNoLeavesTheRunGoing) {
    r.dialogs.answers = {Answer::No};
    r.main.exit_button.click();
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].kind, "question");
    EXPECT_EQ(r.dialogs.shown[0].text, orv::kQuitWhileProgramming);
    EXPECT_EQ(r.dialogs.last_default, Answer::No);
    EXPECT_FALSE(r.program.finished());
    EXPECT_TRUE(r.program.programmer.running());
    r.dialogs.shown.clear();

    r.dialogs.answers = {Answer::No};
    EXPECT_FALSE(r.program.main_closing());
    EXPECT_TRUE(r.program.programmer.running());
    // The run goes on where it was.
    r.serial.arrive("K");
    EXPECT_EQ(r.commands().size(), 1u);

    r.dialogs.shown.clear();
    r.dialogs.answers = {Answer::Yes};
    EXPECT_TRUE(r.program.main_closing());
    EXPECT_TRUE(r.program.finished());
    EXPECT_FALSE(r.program.programmer.running());
    EXPECT_EQ(r.dialogs.messages(), Texts{});  // no end-of-run message after the user's Yes
    EXPECT_EQ(r.store.commits, 1);
}

TEST_F(Programming, SigtermStopsTheRunSavesAndSaysTheBoxIsInItsBootLoader) {
    const std::string note = r.program.terminate();
    EXPECT_EQ(note, orv::kLeftInBootLoader);
    EXPECT_TRUE(r.dialogs.shown.empty());  // no question: nobody may be there to answer it
    EXPECT_TRUE(r.program.finished());
    EXPECT_FALSE(r.program.programmer.running());
    EXPECT_EQ(r.store.commits, 1);
    r.clock.advance(10000);
    EXPECT_TRUE(r.commands().empty());  // no further block goes out
}

}  // namespace
