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
    bool running() const { return r.program.focus_timer->active(); }
    // Moves the fake clock by whole focus ticks.
    void ticks(int n) { r.clock.advance(10 * n); }
};

TEST_F(Focus, AHeldButtonCountsOnePerTickAndTheReleaseStops) {
    r.main.focus_up.press();
    EXPECT_EQ(r.program.focus_timer->interval(), 10);
    ticks(25);
    r.main.focus_up.release();
    EXPECT_EQ(r.main.focus_position.text(), "5025");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_FALSE(running());
    ticks(100);
    EXPECT_EQ(r.main.focus_position.text(), "5025");

    // Down, and through zero into negative counts.
    r.main.focus_position.set_text("2");
    r.main.focus_down.press();
    ticks(5);
    r.main.focus_down.release();
    EXPECT_EQ(r.main.focus_position.text(), "-3");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, GotoRunsToTheSetpointAndStopsOnTheTickThatReachesIt) {
    r.main.setpoint_box[0].set_text("4990");
    r.main.goto_setpoint[0].click();
    EXPECT_EQ(r.commands(), Texts{"#F-#"});
    EXPECT_TRUE(s.focus_goto1);
    ticks(9);
    EXPECT_EQ(r.main.focus_position.text(), "4991");
    EXPECT_TRUE(r.commands().empty());
    ticks(1);
    EXPECT_EQ(r.main.focus_position.text(), "4990");
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(running());
    ticks(100);
    EXPECT_EQ(r.main.focus_position.text(), "4990");
    EXPECT_TRUE(r.commands().empty());

    // A long way down.
    r.main.focus_position.set_text("5000");
    r.main.setpoint_box[0].set_text("600");
    r.main.goto_setpoint[0].click();
    ticks(4399);
    EXPECT_EQ(r.main.focus_position.text(), "601");
    ticks(10);
    EXPECT_EQ(r.main.focus_position.text(), "600");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));

    // Row 2, one unit up: one tick.
    r.main.focus_position.set_text("999");
    r.main.setpoint_box[1].set_text("1000");
    r.main.goto_setpoint[1].click();
    EXPECT_TRUE(s.focus_goto2);
    ticks(1);
    EXPECT_EQ(r.main.focus_position.text(), "1000");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto2);
    EXPECT_FALSE(running());
}

TEST_F(Focus, GotoToWhereTheFocuserAlreadyIsDoesNothing) {
    r.main.focus_position.set_text("1234");
    r.main.setpoint_box[0].set_text(" 1234.0 ");  // reads as the same whole number
    r.main.goto_setpoint[0].click();
    EXPECT_TRUE(r.commands().empty());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(running());
    EXPECT_EQ(s.focus_constant, 0);
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, AGotoOnTheOtherRowDuringARunLeavesBothFlagsAndOnlySetpointOneEndsIt) {
    r.main.setpoint_box[0].set_text("5010");
    r.main.setpoint_box[1].set_text("5005");
    r.main.goto_setpoint[0].click();
    ticks(2);
    r.main.goto_setpoint[1].click();  // direction picked afresh, no stop in between
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#F+#"}));
    EXPECT_TRUE(s.focus_goto1);
    EXPECT_TRUE(s.focus_goto2);
    ticks(3);
    EXPECT_EQ(r.main.focus_position.text(), "5005");  // setpoint 2 is passed
    EXPECT_TRUE(r.commands().empty());
    ticks(5);
    EXPECT_EQ(r.main.focus_position.text(), "5010");
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_TRUE(s.focus_goto2);  // left over

    // The left-over flag stops the next FOCUS run at setpoint 2; the release stops again.
    r.main.focus_down.press();
    ticks(5);
    EXPECT_EQ(r.main.focus_position.text(), "5005");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#FQ#"}));
    EXPECT_FALSE(running());
    ticks(10);
    EXPECT_EQ(r.main.focus_position.text(), "5005");
    r.main.focus_down.release();
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_FALSE(s.focus_goto2);

    // A FOCUS press during a GOTO run keeps its flag: the run still stops at the setpoint,
    // and the release stops once more.
    r.main.goto_setpoint[0].click();
    ticks(2);
    r.main.focus_up.press();
    EXPECT_TRUE(s.focus_goto1);
    ticks(3);
    EXPECT_EQ(r.main.focus_position.text(), "5010");
    EXPECT_FALSE(running());
    ticks(5);
    r.main.focus_up.release();
    EXPECT_EQ(r.main.focus_position.text(), "5010");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#F+#", "#FQ#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto1);

    // A FOCUS release ends a GOTO run before it arrives.
    r.main.setpoint_box[0].set_text("5000");
    r.main.goto_setpoint[0].click();
    ticks(2);
    r.main.focus_down.press();
    r.main.focus_down.release();
    ticks(20);
    EXPECT_EQ(r.main.focus_position.text(), "5008");
    EXPECT_EQ(r.commands(), (Texts{"#F-#", "#F-#", "#FQ#"}));
    EXPECT_FALSE(s.focus_goto1);
}

TEST_F(Focus, SetCopiesThePositionAndTheSpinnerFollowsTheBox) {
    r.main.focus_position.set_text("5025");
    r.main.set_setpoint[1].click();
    EXPECT_EQ(r.main.setpoint_box[1].text(), "5025");
    EXPECT_EQ(r.main.setpoint_spinner[1].value(), 5025);
    EXPECT_TRUE(r.commands().empty());

    r.main.setpoint_box[0].set_text("12");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);
    r.main.setpoint_box[0].set_text("12.7");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 13);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "13");  // rewritten by the spinner
    r.main.setpoint_box[0].set_text("12.5");         // a half goes to the even neighbour
    EXPECT_EQ(r.main.setpoint_box[0].text(), "12");
    r.main.setpoint_box[0].set_text(
        "12.4");  // the spinner stays at 12, so the box is not rewritten
    EXPECT_EQ(r.main.setpoint_box[0].text(), "12.4");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);

    // Numbers the spinner cannot show stay in the box; the spinner keeps its value.
    r.main.focus_position.set_text("12000");
    r.main.set_setpoint[0].click();
    EXPECT_EQ(r.main.setpoint_box[0].text(), "12000");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);
    r.main.setpoint_box[0].set_text("-1");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);
    // Letters change neither the spinner nor anything else.
    r.main.setpoint_box[0].set_text("abc");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "abc");
    EXPECT_EQ(r.main.setpoint_box[1].text(), "5025");
    EXPECT_TRUE(r.commands().empty());
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, SpinnerArrowsStepByTheIncrementAndRefuseStepsTheyCannotTake) {
    r.main.increment_box.set_text("50");
    r.main.setpoint_box[0].set_text("1000");
    lower_arrow(r.main.setpoint_spinner[0]);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "1050");
    r.main.setpoint_box[0].set_text("1000");
    upper_arrow(r.main.setpoint_spinner[0]);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "950");

    r.main.increment_box.set_text("20");
    EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 20);
    EXPECT_EQ(r.main.setpoint_spinner[1].small_change(), 20);
    r.main.setpoint_box[1].set_text("9990");
    lower_arrow(r.main.setpoint_spinner[1]);
    EXPECT_EQ(r.main.setpoint_box[1].text(), "9999");  // the spinners end at 9999
    r.main.setpoint_box[1].set_text("10");
    upper_arrow(r.main.setpoint_spinner[1]);
    upper_arrow(r.main.setpoint_spinner[1]);
    EXPECT_EQ(r.main.setpoint_box[1].text(), "0");

    for (const std::string step : {"0", "-20", "10000", "12.5", "abc", ""}) {
        r.main.increment_box.set_text(step);
        EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 20) << step;
        EXPECT_EQ(r.main.setpoint_spinner[1].small_change(), 20) << step;
    }
    r.main.increment_box.set_text(" 9999.0 ");
    EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 9999);
    EXPECT_TRUE(r.commands().empty());
    EXPECT_TRUE(r.shown().empty());
}

TEST(FocusStartUp, RestoredValuesRaiseTheSameHandlingAsTyping) {
    orv::fake::Rig r;
    r.stored("orvantis", "focussp1", "250.5");
    r.stored("orvantis", "focussp2", "ab");
    r.stored("orvantis", "focusinc", "25");
    r.program.start();
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 250);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "250");
    EXPECT_EQ(r.main.setpoint_spinner[1].value(), 0);
    EXPECT_EQ(r.main.setpoint_box[1].text(), "ab");
    EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 25);
    EXPECT_EQ(r.main.setpoint_spinner[1].small_change(), 25);
}

TEST_F(Focus, ABoxWithoutAWholeNumberIsRefusedWithAMessageAndNothingSent) {
    // FOCUS: nothing sent on the press, nothing on its release, no run.
    for (const std::string position : {"abc", "12.5", ""}) {
        r.main.focus_position.set_text(position);
        r.main.focus_up.press();
        EXPECT_FALSE(running()) << position;
        ticks(10);
        r.main.focus_up.release();
        EXPECT_TRUE(r.commands().empty()) << position;
        EXPECT_EQ(r.shown(), Texts{kBadPosition}) << position;
        EXPECT_EQ(r.main.focus_position.text(), position);
    }
    // GOTO: the setpoint, then the position.
    r.main.focus_position.set_text("5000");
    r.main.setpoint_box[0].set_text("4990x");
    r.main.goto_setpoint[0].click();
    EXPECT_EQ(r.shown(), Texts{bad_setpoint(1)});
    r.main.setpoint_box[1].set_text("");
    r.main.goto_setpoint[1].click();
    EXPECT_EQ(r.shown(), Texts{bad_setpoint(2)});
    r.main.setpoint_box[0].set_text("4990");
    r.main.focus_position.set_text("5000.5");
    r.main.goto_setpoint[0].click();
    EXPECT_EQ(r.shown(), Texts{kBadPosition});
    EXPECT_TRUE(r.commands().empty());
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_FALSE(s.focus_goto2);
}

TEST_F(Focus, ARunStopsWhenABoxItNeedsNoLongerHoldsAWholeNumber) {
    // The position edited during a run: the next tick stops it.
    r.main.focus_up.press();
    ticks(3);
    r.main.focus_position.set_text("50x3");
    ticks(1);
    EXPECT_FALSE(running());
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + kBadPosition});
    EXPECT_EQ(r.main.focus_position.text(), "50x3");
    r.main.focus_up.release();  // the button's own stop still goes out
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});

    // The setpoint of a GOTO run edited during the run.
    r.main.focus_position.set_text("5000");
    r.main.setpoint_box[0].set_text("5100");
    r.main.goto_setpoint[0].click();
    ticks(3);
    r.main.setpoint_box[0].set_text("51OO");
    ticks(1);
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_EQ(r.main.focus_position.text(), "5004");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + bad_setpoint(1)});

    // A GOTO refused during a run stops the run.
    r.main.setpoint_box[0].set_text("5100");
    r.main.goto_setpoint[0].click();
    r.main.setpoint_box[1].set_text("?");
    r.main.goto_setpoint[1].click();
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_EQ(r.shown(), Texts{kStopped + bad_setpoint(2)});

    // The state is settled before the message: a tick delivered while it is open finds no run.
    r.main.goto_setpoint[0].click();
    r.commands();
    bool running_while_shown = true;
    r.dialogs.during = [&] { running_while_shown = running() || s.focus_goto1; };
    r.main.focus_position.set_text("x");
    ticks(1);
    EXPECT_FALSE(running_while_shown);
    EXPECT_EQ(r.commands(), Texts{"#FQ#"});
    EXPECT_EQ(r.main.focus_position.text(), "x");
}

TEST_F(Focus, DisconnectingDuringARunStopsTheFocuserBeforeTheLinkCloses) {
    r.main.setpoint_box[0].set_text("6000");
    r.main.goto_setpoint[0].click();
    ticks(7);
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(running());
    EXPECT_FALSE(s.focus_goto1);
    ticks(50);
    EXPECT_EQ(r.main.focus_position.text(), "5007");
    EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"}));
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Focus, ALostLinkEndsARunWithoutTryingToSend) {
    r.main.setpoint_box[0].set_text("6000");
    r.main.goto_setpoint[0].click();
    ticks(3);
    r.serial.lose("the device was removed");
    EXPECT_FALSE(running());
    EXPECT_EQ(r.commands(), Texts{"#F+#"});
    EXPECT_EQ(r.shown().size(), 1u);  // only the lost link
}

}  // namespace
