// The slew pad: continuous moves while an arrow is held, guide pulses, and the stop button.

#include <gtest/gtest.h>

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
    for (const Case& c : {Case{r.main.Command2, {"#Mw#", "#Qw#"}}, Case{r.main.Command1, {"#Ms#", "#Qs#"}},
                          Case{r.main.Command3, {"#Mn#", "#Qn#"}}, Case{r.main.Command4, {"#Me#", "#Qe#"}}}) {
        c.arrow.press();
        EXPECT_EQ(r.commands(), Texts{c.sent[0]}) << c.arrow.name();
        r.clock.advance(5000);  // held: nothing in between
        EXPECT_TRUE(r.commands().empty());
        c.arrow.release();
        EXPECT_EQ(r.commands(), Texts{c.sent[1]}) << c.arrow.name();
    }
    EXPECT_TRUE(r.shown().empty());
    // The bytes leave exactly as listed, with nothing added.
    r.main.Command1.press();
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
             Case{"2000", r.main.Command3, {"#Mgn2000#"}, {}},
             Case{"50", r.main.Command1, {"#Mgs50#"}, {}},
             Case{"-100", r.main.Command1, {"#Mgs-100#"}, {}},
             Case{"1.5", r.main.Command2, {"#Mgw1.5#"}, {}},
             Case{" 007", r.main.Command4, {"#Mge 007#"}, {}},
             Case{"12345", r.main.Command1, {}, {kPulseTooLong}},
             Case{"1 2 3", r.main.Command1, {}, {kPulseTooLong}},  // length is tested first
             Case{"", r.main.Command1, {}, {kPulseNotNumber}},
             Case{"abcd", r.main.Command1, {}, {kPulseNotNumber}},
             Case{"1e3", r.main.Command1, {}, {kPulseNotNumber}},
             Case{"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", r.main.Command1, {}, {kPulseNotNumber}},  // four letters
         }) {
        r.main.pg_time.set_text(c.time);
        r.main.Check1.set_value(1);
        c.arrow.press();
        c.arrow.release();  // a pulse ends by itself: the release sends nothing
        EXPECT_EQ(r.commands(), c.sent) << c.time;
        EXPECT_EQ(r.shown(), c.messages) << c.time;
    }
    // The messages have no title of their own.
    r.main.Command1.press();
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].title, "");
}

TEST(SlewPad, TypingAPulseTimeSwitchesPulseModeOnAndTheUserCanSwitchItOff) {
    Connected r;
    EXPECT_EQ(r.main.Check1.value(), 0);
    r.main.pg_time.set_text("200");
    EXPECT_EQ(r.main.Check1.value(), 1);
    r.main.Command1.press();
    r.main.Command1.release();
    EXPECT_EQ(r.commands(), Texts{"#Mgs200#"});

    r.main.Check1.set_value(0);
    r.main.Command1.press();
    r.main.Command1.release();
    EXPECT_EQ(r.commands(), (Texts{"#Ms#", "#Qs#"}));
    // Pulse mode is read at the release too: switched off while held, the release stops.
    r.main.Check1.set_value(1);
    r.main.Command2.press();
    r.main.Check1.set_value(0);
    r.main.Command2.release();
    EXPECT_EQ(r.commands(), (Texts{"#Mgw200#", "#Qw#"}));
}

TEST(SlewPad, TheStopButtonSendsTheGeneralStopInEitherMode) {
    Connected r;
    r.main.Command5.click();
    r.main.Command1.press();
    r.main.Command5.click();
    r.main.Command1.release();
    EXPECT_EQ(r.commands(), (Texts{"#Q#", "#Ms#", "#Q#", "#Qs#"}));
    r.main.Check1.set_value(1);
    r.main.Command5.click();
    EXPECT_EQ(r.commands(), Texts{"#Q#"});
}

}  // namespace
