// Leaving the program while something runs on the box: EXIT, the close control, SIGTERM and
// the end of the session leave nothing moving or exposing, and never leave the box
// half-programmed without saying so.

#include <gtest/gtest.h>

#include <functional>

#include "unit/connected_rig.h"

namespace {

using namespace orv::fake;
using orv::platform::Answer;

// Each way out, driven as the windows and main() drive it.
const std::vector<std::pair<const char*, std::function<void(Connected&)>>> kWaysOut = {
    {"EXIT", [](Connected& r) { r.main.exit_button.click(); }},
    {"close control", [](Connected& r) { r.program.main_closing(); }},
    {"SIGTERM", [](Connected& r) { r.program.terminate(); }},
};

// Whatever ran, leaving sends its stop, says nothing, saves the focus position shown, stops the
// exposure timer, and a held arrow's release afterwards sends nothing.
TEST(WayOut, EveryWayOutStopsAFocusRunAnExposureRunAndAnOpenShutter) {
    const std::pair<std::function<void(Connected&)>, Texts> runs[] = {
        {[](Connected& r) {
             r.goto_focus("4000");
             r.clock.advance(50);
         },
         {"#FQ#"}},
        {[](Connected& r) {
             r.expose("5", "1", "3");
             r.clock.advance(1000);
         },
         {"#XP0#"}},
        {[](Connected& r) { r.main.shutter_on.click(); }, {"#XP0#"}},
        {[](Connected& r) { r.main.slew_up.press(); }, {"#Q#"}},
        {[](Connected&) {}, {}},  // nothing running: nothing is sent
    };
    for (const auto& [how, leave] : kWaysOut) {
        for (const auto& [start, stop] : runs) {
            SCOPED_TRACE(std::string(how) + ", stopping " + testing::PrintToString(stop));
            Connected r;
            start(r);
            r.commands();
            leave(r);
            EXPECT_EQ(r.commands(), stop);
            EXPECT_TRUE(r.program.finished());
            EXPECT_EQ(r.saved("focus"), r.main.focus_position.text());
            EXPECT_FALSE(r.program.sequencer_timer->active());
            EXPECT_TRUE(r.said().empty());
            if (stop != Texts{"#Q#"}) continue;  // the held arrow, released after leaving
            r.main.slew_up.release();
            EXPECT_TRUE(r.commands().empty());
        }
    }
}

TEST(WayOut, ALostLinkSaysWhatItLeftRunningOnTheBoxAndNothingResumes) {
    const std::string telescope = " Check the telescope.";
    const std::string focuser =
        "The link was lost while the focuser was running: it may still be running.";
    struct Case {
        const char* what;
        std::function<void(ConnectedRig&)> start;
        std::string said;  // the line the message ends with; "" when nothing ran
    };
    const Case cases[] = {
        {"focus GOTO", [](ConnectedRig& r) { r.goto_focus("4000"); }, focuser},
        {"held FOCUS", [](ConnectedRig& r) { r.main.focus_up.press(); }, focuser},
        {"held arrow", [](ConnectedRig& r) { r.main.slew_left.press(); },
         "The link was lost while the mount was slewing: it may still be moving."},
        {"exposure", [](ConnectedRig& r) { r.expose("5", "2", "3"); },
         "The link was lost during an exposure run, with the shutter open: the camera may still "
         "be exposing. The run has stopped and will not resume by itself."},
        {"gap",
         [](ConnectedRig& r) {
             r.expose("1", "5", "3");
             r.clock.advance(1000);
         },
         "The link was lost during an exposure run: it has stopped after 1 of 3 exposures and "
         "will not resume by itself."},
        {"shutter ON", [](ConnectedRig& r) { r.main.shutter_on.click(); },
         "The link was lost while the shutter was open: the camera may still be exposing."},
        {"settings write",
         [](ConnectedRig& r) {
             for (auto& box : r.main.time_boxes) box.set_text("10");
             r.main.write_settings.click();
         },
         "The link was lost while the settings were being written: the Orvantis may hold only "
         "some of them. Press Write Settings again once connected."},
        {"a pulse",
         [](ConnectedRig& r) {
             r.main.pulse_mode.set_value(1);
             r.main.slew_up.press();
         },
         ""},
    };
    for (const bool over_socket : {false, true}) {
        for (const Case& c : cases) {
            ConnectedRig r(over_socket, "1.20#");
            c.start(r);
            r.clock.advance(20);
            r.lose();
            const auto shown = r.dialogs.messages();
            ASSERT_EQ(shown.size(), 1u) << c.what << ": " << testing::PrintToString(shown);
            const std::string& m = shown[0];
            if (c.said.empty()) {
                EXPECT_EQ(m.find("while"), std::string::npos) << c.what << ": " << m;
            } else {
                EXPECT_EQ(m.substr(m.find('\n', m.find("CONNECT")) + 1), c.said + telescope)
                    << c.what;
            }
            // Connected again: nothing of the old run goes out by itself.
            r.reconnect();
            ASSERT_EQ(r.main.state.link, orv::LinkState::Identified) << c.what;
            r.socket.sent.clear();
            r.serial.written.clear();
            r.clock.advance(20000);
            EXPECT_EQ(r.sent(), "") << c.what;
            EXPECT_FALSE(r.program.focus_timer->active()) << c.what;
            EXPECT_FALSE(r.program.sequencer_timer->active()) << c.what;
            EXPECT_FALSE(r.program.settings_write.running()) << c.what;
        }
    }
}

// Connected, a file confirmed, BOOT UP answered and PROGRAM pressed: a run is on.
struct Programming : ::testing::Test {
    Connected r;

    void SetUp() override {
        r.load_firmware(":0400000001020304F2\r\n:00000001FF\r\n");
        r.program.firmware.boot_up.click();
        r.serial.arrive("2#");
        r.program.firmware.program_button.click();
        for (int k = 0; k < 10; ++k) r.serial.arrive("K");
        ASSERT_TRUE(r.program.programmer.running());
        r.commands();
        r.said();
    }
    // "going" or "finished", " programming" while the run is on, the commits of the store, then
    // each dialog shown since the last look as " kind: text".
    std::string look() {
        std::string out = std::string(r.program.finished() ? "finished" : "going") +
                          (r.program.programmer.running() ? " programming" : "") + " saved " +
                          std::to_string(r.store.commits);
        for (const auto& d : std::exchange(r.dialogs.shown, {}))
            out += " " + d.kind + ": " + d.text;
        return out;
    }
};

TEST_F(Programming, ExitOrTheCloseControlAskFirstAndNoLeavesTheRunGoing) {
    const std::string asked = std::string(" question: ") + orv::kQuitWhileProgramming;
    r.dialogs.answers = {Answer::No, Answer::No, Answer::Yes};
    r.main.exit_button.click();
    EXPECT_EQ(r.dialogs.last_default, Answer::No);
    EXPECT_EQ(look(), "going programming saved 0" + asked);
    EXPECT_FALSE(r.program.main_closing());
    EXPECT_EQ(look(), "going programming saved 0" + asked);
    // The run goes on where it was.
    r.serial.arrive("K");
    EXPECT_EQ(r.commands().size(), 1u);
    EXPECT_TRUE(r.program.main_closing());
    EXPECT_EQ(look(), "finished saved 1" + asked);  // no end-of-run message after the user's Yes
}

TEST_F(Programming, SigtermStopsTheRunSavesAndSaysTheBoxIsInItsBootLoader) {
    EXPECT_EQ(r.program.terminate(), orv::kLeftInBootLoader);
    EXPECT_EQ(look(), "finished saved 1");  // no question: nobody may be there to answer it
    r.clock.advance(10000);
    EXPECT_TRUE(r.commands().empty());  // no further block goes out
}

}  // namespace
