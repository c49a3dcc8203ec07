// The focus panel: runs counted in focus timer ticks, GOTO to a setpoint, SET, the spinners
// and the increment, and what happens when a box does not hold a whole number.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "connected_rig.h"

namespace {

using orv::fake::Connected;
using Texts = std::vector<std::string>;

const std::string kBadPosition =
    "The focus position must be a whole number, such as 5000. Correct the box between the "
    "FOCUS buttons.";
std::string bad_setpoint(int n) {
    return "Focus Setpoint " + std::to_string(n) +
           " must be a whole number, such as 5000. Correct the box or press its SET button.";
}
const std::string kStopped = "The focuser has been stopped. ";

// The spinner's arrows as the window's scroll bar moves it: the upper arrow lowers the value.
void upper_arrow(orv::ui::ScrollBar& s) { s.set_value(std::max(s.minimum(), s.value() - s.small_change())); }
void lower_arrow(orv::ui::ScrollBar& s) { s.set_value(std::min(s.maximum(), s.value() + s.small_change())); }

struct Focus : ::testing::Test {
    Connected r;
    orv::MainState& s = r.main.state;
    bool running() const { return r.program.Timer3->active(); }
    // Moves the fake clock by whole focus ticks.
    void ticks(int n) { r.clock.advance(10 * n); }
};

TEST_F(Focus, AHeldButtonCountsOnePerTickAndTheReleaseStops) {
    r.main.Command6.press();
    EXPECT_EQ(r.program.Timer3->interval(), 10);
    ticks(25);
    r.main.Command6.release();
    EXPECT_EQ(r.main.Text13.text(), "5025");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_FALSE(running());
    ticks(100);
    EXPECT_EQ(r.main.Text13.text(), "5025");

    // Down, and through zero into negative counts.
    r.main.Text13.set_text("2");
    r.main.Command7.press();
    ticks(5);
    r.main.Command7.release();
    EXPECT_EQ(r.main.Text13.text(), "-3");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, GotoRunsToTheSetpointAndStopsOnTheTickThatReachesIt) {
    r.main.Text14.set_text("4990");
    r.main.Command21.click();
    EXPECT_EQ(r.commands(), Texts{"#F-#"});
    EXPECT_TRUE(s.focus_goto1);
    ticks(9);
    EXPECT_EQ(r.main.Text13.text(), "4991");
    EXPECT_TRUE(r.commands().empty());
    ticks(1);
    EXPECT_EQ(r.main.Text13.text(), "4990");
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(running());
    ticks(100);
    EXPECT_EQ(r.main.Text13.text(), "4990");
    EXPECT_TRUE(r.commands().empty());

    // A long way down.
    r.main.Text13.set_text("5000");
    r.main.Text14.set_text("600");
    r.main.Command21.click();
    ticks(4399);
    EXPECT_EQ(r.main.Text13.text(), "601");
    ticks(10);
    EXPECT_EQ(r.main.Text13.text(), "600");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));

    // Row 2, one unit up: one tick.
    r.main.Text13.set_text("999");
    r.main.Text15.set_text("1000");
    r.main.Command22.click();
    EXPECT_TRUE(s.focus_goto2);
    ticks(1);
    EXPECT_EQ(r.main.Text13.text(), "1000");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto2);
    EXPECT_FALSE(running());
}

TEST_F(Focus, GotoToWhereTheFocuserAlreadyIsDoesNothing) {
    r.main.Text13.set_text("1234");
    r.main.Text14.set_text(" 1234.0 ");  // reads as the same whole number
    r.main.Command21.click();
    EXPECT_TRUE(r.commands().empty());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(running());
    EXPECT_EQ(s.focus_constant, 0);
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, AGotoOnTheOtherRowDuringARunLeavesBothFlagsAndOnlySetpointOneEndsIt) {
    r.main.Text14.set_text("5010");
    r.main.Text15.set_text("5005");
    r.main.Command21.click();
    ticks(2);
    r.main.Command22.click();  // direction picked afresh, no stop in between
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#F+#"}));
    EXPECT_TRUE(s.focus_goto1);
    EXPECT_TRUE(s.focus_goto2);
    ticks(3);
    EXPECT_EQ(r.main.Text13.text(), "5005");  // setpoint 2 is passed
    EXPECT_TRUE(r.commands().empty());
    ticks(5);
    EXPECT_EQ(r.main.Text13.text(), "5010");
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_TRUE(s.focus_goto2);  // left over

    // The left-over flag stops the next FOCUS run at setpoint 2; the release stops again.
    r.main.Command7.press();
    ticks(5);
    EXPECT_EQ(r.main.Text13.text(), "5005");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));
    EXPECT_FALSE(running());
    ticks(10);
    EXPECT_EQ(r.main.Text13.text(), "5005");
    r.main.Command7.release();
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(s.focus_goto2);

    // A FOCUS press during a GOTO run keeps its flag: the run still stops at the setpoint,
    // and the release stops once more.
    r.main.Command21.click();
    ticks(2);
    r.main.Command6.press();
    EXPECT_TRUE(s.focus_goto1);
    ticks(3);
    EXPECT_EQ(r.main.Text13.text(), "5010");
    EXPECT_FALSE(running());
    ticks(5);
    r.main.Command6.release();
    EXPECT_EQ(r.main.Text13.text(), "5010");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#F+#", "#FQ#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto1);

    // A FOCUS release ends a GOTO run before it arrives.
    r.main.Text14.set_text("5000");
    r.main.Command21.click();
    ticks(2);
    r.main.Command7.press();
    r.main.Command7.release();
    ticks(20);
    EXPECT_EQ(r.main.Text13.text(), "5008");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#F-#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto1);
}

TEST_F(Focus, SetCopiesThePositionAndTheSpinnerFollowsTheBox) {
    r.main.Text13.set_text("5025");
    r.main.Command23.click();
    EXPECT_EQ(r.main.Text15.text(), "5025");
    EXPECT_EQ(r.main.VScroll2.value(), 5025);
    EXPECT_TRUE(r.commands().empty());

    r.main.Text14.set_text("12");
    EXPECT_EQ(r.main.VScroll1.value(), 12);
    r.main.Text14.set_text("12.7");
    EXPECT_EQ(r.main.VScroll1.value(), 13);
    EXPECT_EQ(r.main.Text14.text(), "13");  // rewritten by the spinner
    r.main.Text14.set_text("12.5");         // a half goes to the even neighbour
    EXPECT_EQ(r.main.Text14.text(), "12");
    r.main.Text14.set_text("12.4");  // the spinner stays at 12, so the box is not rewritten
    EXPECT_EQ(r.main.Text14.text(), "12.4");
    EXPECT_EQ(r.main.VScroll1.value(), 12);

    // Numbers the spinner cannot show stay in the box; the spinner keeps its value.
    r.main.Text13.set_text("12000");
    r.main.Command20.click();
    EXPECT_EQ(r.main.Text14.text(), "12000");
    EXPECT_EQ(r.main.VScroll1.value(), 12);
    r.main.Text14.set_text("-1");
    EXPECT_EQ(r.main.VScroll1.value(), 12);
    // Letters change neither the spinner nor anything else.
    r.main.Text14.set_text("abc");
    EXPECT_EQ(r.main.VScroll1.value(), 12);
    EXPECT_EQ(r.main.Text14.text(), "abc");
    EXPECT_EQ(r.main.Text15.text(), "5025");
    EXPECT_TRUE(r.commands().empty());
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, SpinnerArrowsStepByTheIncrementAndRefuseStepsTheyCannotTake) {
    r.main.Text16.set_text("50");
    r.main.Text14.set_text("1000");
    lower_arrow(r.main.VScroll1);
    EXPECT_EQ(r.main.Text14.text(), "1050");
    r.main.Text14.set_text("1000");
    upper_arrow(r.main.VScroll1);
    EXPECT_EQ(r.main.Text14.text(), "950");

    r.main.Text16.set_text("20");
    EXPECT_EQ(r.main.VScroll1.small_change(), 20);
    EXPECT_EQ(r.main.VScroll2.small_change(), 20);
    r.main.Text15.set_text("9990");
    lower_arrow(r.main.VScroll2);
    EXPECT_EQ(r.main.Text15.text(), "9999");  // the spinners end at 9999
    r.main.Text15.set_text("10");
    upper_arrow(r.main.VScroll2);
    upper_arrow(r.main.VScroll2);
    EXPECT_EQ(r.main.Text15.text(), "0");

    for (const std::string step : {"0", "-20", "10000", "12.5", "abc", ""}) {
        r.main.Text16.set_text(step);
        EXPECT_EQ(r.main.VScroll1.small_change(), 20) << step;
        EXPECT_EQ(r.main.VScroll2.small_change(), 20) << step;
    }
    r.main.Text16.set_text(" 9999.0 ");
    EXPECT_EQ(r.main.VScroll1.small_change(), 9999);
    EXPECT_TRUE(r.commands().empty());
    EXPECT_TRUE(r.shown().empty());
}

TEST(FocusStartUp, RestoredValuesRaiseTheSameHandlingAsTyping) {
    orv::fake::Rig r;
    r.stored("orvantis", "focussp1", "250.5");
    r.stored("orvantis", "focussp2", "ab");
    r.stored("orvantis", "focusinc", "25");
    r.program.start();
    EXPECT_EQ(r.main.VScroll1.value(), 250);
    EXPECT_EQ(r.main.Text14.text(), "250");
    EXPECT_EQ(r.main.VScroll2.value(), 0);
    EXPECT_EQ(r.main.Text15.text(), "ab");
    EXPECT_EQ(r.main.VScroll1.small_change(), 25);
    EXPECT_EQ(r.main.VScroll2.small_change(), 25);
}

TEST_F(Focus, ABoxWithoutAWholeNumberIsRefusedWithAMessageAndNothingSent) {
    // FOCUS: nothing sent on the press, nothing on its release, no run.
    for (const std::string position : {"abc", "12.5", ""}) {
        r.main.Text13.set_text(position);
        r.main.Command6.press();
        EXPECT_FALSE(running()) << position;
        ticks(10);
        r.main.Command6.release();
        EXPECT_TRUE(r.commands().empty()) << position;
        EXPECT_EQ(r.shown(), Texts{kBadPosition}) << position;
        EXPECT_EQ(r.main.Text13.text(), position);
    }
    // GOTO: the setpoint, then the position.
    r.main.Text13.set_text("5000");
    r.main.Text14.set_text("4990x");
    r.main.Command21.click();
    EXPECT_EQ(r.shown(), Texts{bad_setpoint(1)});
    r.main.Text15.set_text("");
    r.main.Command22.click();
    EXPECT_EQ(r.shown(), Texts{bad_setpoint(2)});
    r.main.Text14.set_text("4990");
    r.main.Text13.set_text("5000.5");
    r.main.Command21.click();
    EXPECT_EQ(r.shown(), Texts{kBadPosition});
    EXPECT_TRUE(r.commands().empty());
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(s.focus_goto2);
}

TEST_F(Focus, ARunStopsWhenABoxItNeedsNoLongerHoldsAWholeNumber) {
    // The position edited during a run: the next tick stops it.
    r.main.Command6.press();
    ticks(3);
    r.main.Text13.set_text("50x3");
    ticks(1);
    EXPECT_FALSE(running());
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + kBadPosition});
    EXPECT_EQ(r.main.Text13.text(), "50x3");
    r.main.Command6.release();  // the button's own stop still goes out
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});

    // The setpoint of a GOTO run edited during the run.
    r.main.Text13.set_text("5000");
    r.main.Text14.set_text("5100");
    r.main.Command21.click();
    ticks(3);
    r.main.Text14.set_text("51OO");
    ticks(1);
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_EQ(r.main.Text13.text(), "5004");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + bad_setpoint(1)});

    // A GOTO refused during a run stops the run.
    r.main.Text14.set_text("5100");
    r.main.Command21.click();
    r.main.Text15.set_text("?");
    r.main.Command22.click();
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + bad_setpoint(2)});

    // The state is settled before the message: a tick delivered while it is open finds no run.
    r.main.Command21.click();
    r.commands();
    bool running_while_shown = true;
    r.dialogs.during = [&] { running_while_shown = running() || s.focus_goto1; };
    r.main.Text13.set_text("x");
    ticks(1);
    EXPECT_FALSE(running_while_shown);
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_EQ(r.main.Text13.text(), "x");
}

TEST_F(Focus, DisconnectingDuringARunStopsTheFocuserBeforeTheLinkCloses) {
    r.main.Text14.set_text("6000");
    r.main.Command21.click();
    ticks(7);
    r.main.Command8.click();  // DISCONNECT
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    ticks(50);
    EXPECT_EQ(r.main.Text13.text(), "5007");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, ALostLinkEndsARunWithoutTryingToSend) {
    r.main.Text14.set_text("6000");
    r.main.Command21.click();
    ticks(3);
    r.serial.lose("the device was removed");
    EXPECT_FALSE(running());
    EXPECT_EQ(r.commands(), Texts{"#F+#"});
    EXPECT_EQ(r.shown().size(), 1u);  // only the lost link
}

}  // namespace
