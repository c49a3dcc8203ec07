// The slew pad: continuous moves while an arrow is held, guide pulses, and the stop button.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "connected_rig.h"
#include "handcontrol/slew_pad.h"

namespace {

using orv::fake::Connected;
using orv::handcontrol::kPulseNotNumber;
using orv::handcontrol::kPulseTooLong;
using Texts = std::vector<std::string>;

TEST(SlewPad, EachArrowMovesOnPressAndStopsOnReleaseInItsOwnDirection) {
    Connected r;
    struct Case {
        orv::ui::Button& arrow;
        Texts sent;
    };
    for (const Case& c :
         {Case{r.main.slew_right, {"#Mw#", "#Qw#"}}, Case{r.main.slew_up, {"#Ms#", "#Qs#"}},
          Case{r.main.slew_down, {"#Mn#", "#Qn#"}}, Case{r.main.slew_left, {"#Me#", "#Qe#"}}}) {
        c.arrow.press();
        EXPECT_EQ(r.commands(), Texts{c.sent[0]}) << c.arrow.name();
        r.clock.advance(5000);  // held: nothing in between
        EXPECT_TRUE(r.commands().empty());
        c.arrow.release();
        EXPECT_EQ(r.commands(), Texts{c.sent[1]}) << c.arrow.name();
    }
    EXPECT_TRUE(r.shown().empty());
    // The bytes leave exactly as listed, with nothing added.
    r.main.slew_up.press();
    EXPECT_EQ(r.serial.written, "#Ms#");
}

TEST(SlewPad, PulseModeSendsTheTimeAsTypedOrExplainsWhatIsWrong) {
    Connected r;
    struct Case {
        std::string time;
        orv::ui::Button& arrow;
        Texts sent;
        Texts messages;
    };
    for (const Case& c : {
             Case{"2000", r.main.slew_down, {"#Mgn2000#"}, {}},
             Case{"50", r.main.slew_up, {"#Mgs50#"}, {}},
             Case{"-100", r.main.slew_up, {"#Mgs-100#"}, {}},
             Case{"1.5", r.main.slew_right, {"#Mgw1.5#"}, {}},
             Case{" 007", r.main.slew_left, {"#Mge 007#"}, {}},
             Case{"12345", r.main.slew_up, {}, {kPulseTooLong}},
             Case{"1 2 3", r.main.slew_up, {}, {kPulseTooLong}},  // length is tested first
             Case{"", r.main.slew_up, {}, {kPulseNotNumber}},
             Case{"abcd", r.main.slew_up, {}, {kPulseNotNumber}},
             Case{"1e3", r.main.slew_up, {}, {kPulseNotNumber}},
             Case{"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
                  r.main.slew_up,
                  {},
                  {kPulseNotNumber}},  // four letters
         }) {
        r.main.pulse_time.set_text(c.time);
        r.main.pulse_mode.set_value(1);
        c.arrow.press();
        c.arrow.release();  // a pulse ends by itself: the release sends nothing
        EXPECT_EQ(r.commands(), c.sent) << c.time;
        EXPECT_EQ(r.shown(), c.messages) << c.time;
    }
    // The messages have no title of their own.
    r.main.slew_up.press();
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].title, "");
}

TEST(SlewPad, TypingAPulseTimeSwitchesPulseModeOnAndTheUserCanSwitchItOff) {
    Connected r;
    EXPECT_EQ(r.main.pulse_mode.value(), 0);
    r.main.pulse_time.set_text("200");
    EXPECT_EQ(r.main.pulse_mode.value(), 1);
    r.main.slew_up.press();
    r.main.slew_up.release();
    EXPECT_EQ(r.commands(), Texts{"#Mgs200#"});

    r.main.pulse_mode.set_value(0);
    r.main.slew_up.press();
    r.main.slew_up.release();
    EXPECT_EQ(r.commands(), (Texts{"#Ms#", "#Qs#"}));
    // Pulse mode is read at the release too: switched off while held, the release stops.
    r.main.pulse_mode.set_value(1);
    r.main.slew_right.press();
    r.main.pulse_mode.set_value(0);
    r.main.slew_right.release();
    EXPECT_EQ(r.commands(), (Texts{"#Mgw200#", "#Qw#"}));
}

TEST(SlewPad, TheStopButtonSendsTheGeneralStopInEitherMode) {
    Connected r;
    r.main.slew_stop.click();
    r.main.slew_up.press();
    r.main.slew_stop.click();
    r.main.slew_up.release();
    EXPECT_EQ(r.commands(), (Texts{"#Q#", "#Ms#", "#Q#", "#Qs#"}));
    r.main.pulse_mode.set_value(1);
    r.main.slew_stop.click();
    EXPECT_EQ(r.commands(), Texts{"#Q#"});
}

}  // namespace

namespace {

// The stop key stops whatever moves, as the stop button and the releases would, and leaves an
// exposure run alone.
TEST(StopKey, StopsTheMountAndTheFocuserAndSilencesTheReleasesStillToCome) {
    struct Case {
        const char* what;
        std::function<void(Connected&)> start;
        Texts sent;
        std::function<void(Connected&)> later;  // the user's own release, if one is to come
    };
    const Case cases[] = {
        {"nothing moving", [](Connected&) {}, {"#Q#"}, nullptr},
        {"held arrow",
         [](Connected& r) { r.main.slew_right.press(); },
         {"#Q#"},
         [](Connected& r) { r.main.slew_right.release(); }},
        {"focus GOTO",
         [](Connected& r) {
             r.main.setpoint_box[1].set_text("4000");
             r.main.goto_setpoint[1].click();
         },
         {"#Q#", "#FQ#"},
         nullptr},
        {"held FOCUS",
         [](Connected& r) { r.main.focus_down.press(); },
         {"#Q#", "#FQ#"},
         [](Connected& r) { r.main.focus_down.release(); }},
        {"both",
         [](Connected& r) {
             r.main.slew_up.press();
             r.main.focus_up.press();
         },
         {"#Q#", "#FQ#"},
         [](Connected& r) {
             r.main.focus_up.release();
             r.main.slew_up.release();
         }},
        {"exposure run",
         [](Connected& r) {
             r.main.exposure_secs.set_text("5");
             r.main.exposure_gap.set_text("5");
             r.main.exposure_count.set_text("3");
             r.main.auto_shutter.click();
         },
         {"#Q#"},
         nullptr},
    };
    for (const Case& c : cases) {
        Connected r;
        c.start(r);
        r.clock.advance(100);
        r.commands();
        r.main.stop_key.fire();
        EXPECT_EQ(r.commands(), c.sent) << c.what;
        const std::string position = r.main.focus_position.text();
        r.clock.advance(100);
        EXPECT_EQ(r.main.focus_position.text(), position) << c.what;
        EXPECT_FALSE(r.main.state.focus_goto1 || r.main.state.focus_goto2) << c.what;
        if (c.later) c.later(r);
        EXPECT_TRUE(r.commands().empty()) << c.what;
        EXPECT_EQ(r.program.sequencer_timer->active(), std::string(c.what) == "exposure run");
        // A new press after the stop works as ever.
        r.main.focus_up.press();
        r.main.focus_up.release();
        EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"})) << c.what;
    }

    // A hold ended by a disconnect is over: a second link closing sends no stop again.
    {
        Connected r;
        r.main.slew_up.press();
        r.commands();
        r.main.connect_button.click();  // DISCONNECT
        EXPECT_EQ(r.commands(), (Texts{"#Q#"}));
        r.main.connect_button.click();
        r.serial.arrive("1.20#");
        r.commands();
        r.main.connect_button.click();
        EXPECT_TRUE(r.commands().empty());
    }

    // Not connected, or while the boot loader has the link: nothing is sent.
    orv::fake::Rig idle;
    idle.program.start();
    idle.main.stop_key.fire();
    EXPECT_EQ(idle.serial.written, "");
    Connected r;
    r.main.commands_locked = true;
    r.main.stop_key.fire();
    EXPECT_TRUE(r.commands().empty());
}

}  // namespace
