// The focus panel: runs counted in focus timer ticks, GOTO to a setpoint, SET, the spinners
// and the increment, and what happens when a box does not hold a whole number.

#include <algorithm>

#include "connected_rig.h"

namespace {

const std::string kBadPosition =
    "The focus position must be a whole number, such as 5000. Correct the box between the "
    "FOCUS buttons.";
std::string bad_setpoint(int n) {
    return "Focus Setpoint " + std::to_string(n) +
           " must be a whole number, such as 5000. Correct the box or press its SET button.";
}
const std::string kStopped = "The focuser has been stopped. ";

// A setpoint row as "box spinner", e.g. "12.4 12".
std::string row(orv::MainWindow& w, int i) {
    return w.setpoint_box[i].text() + " " + std::to_string(w.setpoint_spinner[i].value());
}
// The step of the two spinners' arrows.
std::string steps(orv::MainWindow& w) {
    return std::to_string(w.setpoint_spinner[0].small_change()) + " " +
           std::to_string(w.setpoint_spinner[1].small_change());
}

struct Focus : ::testing::Test {
    Connected r;
    orv::MainState& s = r.main.state;
    bool running() const { return r.program.focus_timer->active(); }
    // Moves the fake clock by whole focus ticks.
    void ticks(int n) { r.clock.advance(10 * n); }
    void at(const std::string& position) { r.main.focus_position.set_text(position); }
    // Types the setpoint of row 1 or 2 and presses its GOTO.
    void go(int row, const std::string& setpoint) {
        r.main.setpoint_box[row - 1].set_text(setpoint);
        r.main.goto_setpoint[row - 1].click();
    }
    // The position, the commands sent since the last look, what still runs and the messages
    // shown, e.g. "5002 [#F+#] running goto1 ! message".
    std::string now() {
        std::string out = r.main.focus_position.text() + " [" + r.sent_line() + "]";
        if (running()) out += " running";
        if (s.focus_goto1) out += " goto1";
        if (s.focus_goto2) out += " goto2";
        for (const auto& m : r.shown()) out += " ! " + m;
        return out;
    }
    // The spinner's arrows as the window's scroll bar moves them, on a row whose box holds
    // `from`: 'v' is the lower arrow and raises the value, '^' the upper one; the box after.
    std::string arrows(int i, const std::string& from, const std::string& keys) {
        auto& bar = r.main.setpoint_spinner[i];
        r.main.setpoint_box[i].set_text(from);
        for (char k : keys) {
            const int step = k == 'v' ? bar.small_change() : -bar.small_change();
            bar.set_value(std::clamp(bar.value() + step, bar.minimum(), bar.maximum()));
        }
        return r.main.setpoint_box[i].text();
    }
};

TEST_F(Focus, AHeldButtonCountsOnePerTickAndTheReleaseStops) {
    r.main.focus_up.press();
    EXPECT_EQ(r.program.focus_timer->interval(), 10);
    ticks(25);
    r.main.focus_up.release();
    EXPECT_EQ(now(), "5025 [#F+# #FQ#]");
    ticks(100);
    EXPECT_EQ(now(), "5025 []");
    // Down, and through zero into negative counts.
    at("2");
    r.main.focus_down.press();
    ticks(5);
    r.main.focus_down.release();
    EXPECT_EQ(now(), "-3 [#F-# #FQ#]");
}

TEST_F(Focus, GotoRunsToTheSetpointAndStopsOnTheTickThatReachesIt) {
    // To where the focuser already is: nothing.
    at("1234");
    go(1, " 1234.0 ");  // reads as the same whole number
    EXPECT_EQ(now(), "1234 []");
    EXPECT_EQ(s.focus_constant, 0);
    at("5000");
    go(1, "4990");
    EXPECT_EQ(now(), "5000 [#F-#] running goto1");
    ticks(9);
    EXPECT_EQ(now(), "4991 [] running goto1");
    ticks(1);
    EXPECT_EQ(now(), "4990 [#FQ#]");
    ticks(100);
    EXPECT_EQ(now(), "4990 []");
    // A long way down.
    at("5000");
    go(1, "600");
    ticks(4399);
    EXPECT_EQ(now(), "601 [#F-#] running goto1");
    ticks(10);
    EXPECT_EQ(now(), "600 [#FQ#]");
    // Row 2, one unit up: one tick.
    at("999");
    go(2, "1000");
    EXPECT_EQ(now(), "999 [#F+#] running goto2");
    ticks(1);
    EXPECT_EQ(now(), "1000 [#FQ#]");
}

TEST_F(Focus, AGotoOnTheOtherRowDuringARunLeavesBothFlagsAndOnlySetpointOneEndsIt) {
    r.main.setpoint_box[1].set_text("5005");
    go(1, "5010");
    ticks(2);
    r.main.goto_setpoint[1].click();  // direction picked afresh, no stop in between
    EXPECT_EQ(now(), "5002 [#F+# #F+#] running goto1 goto2");
    ticks(3);
    EXPECT_EQ(now(), "5005 [] running goto1 goto2");  // setpoint 2 is passed
    ticks(5);
    EXPECT_EQ(now(), "5010 [#FQ#] goto2");  // row 2's flag is left over

    // The left-over flag stops the next FOCUS run at setpoint 2; the release stops again.
    r.main.focus_down.press();
    ticks(5);
    EXPECT_EQ(now(), "5005 [#F-# #FQ#]");
    ticks(10);
    r.main.focus_down.release();
    EXPECT_EQ(now(), "5005 [#FQ#]");

    // A FOCUS press during a GOTO run keeps its flag: the run still stops at the setpoint,
    // and the release stops once more.
    r.main.goto_setpoint[0].click();
    ticks(2);
    r.main.focus_up.press();
    EXPECT_EQ(now(), "5007 [#F+# #F+#] running goto1");
    ticks(3);
    EXPECT_EQ(now(), "5010 [#FQ#]");
    ticks(5);
    r.main.focus_up.release();
    EXPECT_EQ(now(), "5010 [#FQ#]");

    // A FOCUS release ends a GOTO run before it arrives.
    go(1, "5000");
    ticks(2);
    r.main.focus_down.press();
    r.main.focus_down.release();
    ticks(20);
    EXPECT_EQ(now(), "5008 [#F-# #F-# #FQ#]");
}

TEST_F(Focus, SetCopiesThePositionAndTheSpinnerFollowsTheBox) {
    at("5025");
    r.main.set_setpoint[1].click();
    EXPECT_EQ(row(r.main, 1), "5025 5025");
    // A half goes to the even neighbour; the box is rewritten only when the spinner moves.
    for (auto [typed, seen] :
         Pairs{{"12", "12 12"}, {"12.7", "13 13"}, {"12.5", "12 12"}, {"12.4", "12.4 12"}}) {
        r.main.setpoint_box[0].set_text(typed);
        EXPECT_EQ(row(r.main, 0), seen) << typed;
    }
    // Numbers the spinner cannot show, and letters, stay in the box; the spinner keeps its value.
    at("12000");
    r.main.set_setpoint[0].click();
    EXPECT_EQ(row(r.main, 0), "12000 12");
    for (auto [typed, seen] : Pairs{{"-1", "-1 12"}, {"abc", "abc 12"}}) {
        r.main.setpoint_box[0].set_text(typed);
        EXPECT_EQ(row(r.main, 0), seen) << typed;
    }
    EXPECT_EQ(row(r.main, 1), "5025 5025");
    EXPECT_EQ(now(), "12000 []");
}

TEST_F(Focus, SpinnerArrowsStepByTheIncrementAndRefuseStepsTheyCannotTake) {
    r.main.increment_box.set_text("50");
    EXPECT_EQ((Texts{arrows(0, "1000", "v"), arrows(0, "1000", "^")}), (Texts{"1050", "950"}));
    r.main.increment_box.set_text("20");
    EXPECT_EQ(steps(r.main), "20 20");
    // The spinners end at 9999 and at 0.
    EXPECT_EQ((Texts{arrows(1, "9990", "v"), arrows(1, "10", "^^")}), (Texts{"9999", "0"}));
    for (const std::string step : {"0", "-20", "10000", "12.5", "abc", ""}) {
        r.main.increment_box.set_text(step);
        EXPECT_EQ(steps(r.main), "20 20") << step;
    }
    r.main.increment_box.set_text(" 9999.0 ");
    EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 9999);
    EXPECT_EQ(now(), "5000 []");
}

// What an earlier run left in the boxes is handled as if typed.
TEST(FocusStartUp, RestoredSetpointsAndIncrementAreHandledAsTyped) {
    struct Case {
        const char *sp1, *sp2, *inc;
        Texts seen;  // row 1, row 2, the increment box, the spinners' steps
    };
    for (const Case& c : {
             Case{"250.5", "ab", "25", {"250 250", "ab 0", "25", "25 25"}},
             Case{"750", "", "xyz", {"750 750", " 0", "50", "50 50"}},  // letters become 50
             // A half goes to the even neighbour, and the spinner's change writes the box back;
             // 40000 is beyond 16 bits and -5 outside the spinner's 0..9999.
             Case{"12.5", "40000", "12", {"12 12", "40000 0", "12", "12 12"}},
             Case{"-5", "", "12", {"-5 0", " 0", "12", "12 12"}},
         }) {
        Rig r;
        store_all(r, {{"focussp1", c.sp1}, {"focussp2", c.sp2}, {"focusinc", c.inc}});
        r.program.start();
        EXPECT_EQ(
            (Texts{row(r.main, 0), row(r.main, 1), r.main.increment_box.text(), steps(r.main)}),
            c.seen)
            << c.sp1;
    }
}

TEST_F(Focus, ABoxWithoutAWholeNumberIsRefusedWithAMessageAndNothingSent) {
    // FOCUS: nothing sent on the press, nothing on its release, no run.
    for (const std::string position : {"abc", "12.5", ""}) {
        at(position);
        r.main.focus_up.press();
        EXPECT_FALSE(running()) << position;
        ticks(10);
        r.main.focus_up.release();
        EXPECT_EQ(now(), position + " [] ! " + kBadPosition);
    }
    // GOTO: the setpoint, then the position.
    at("5000");
    go(1, "4990x");
    EXPECT_EQ(now(), "5000 [] ! " + bad_setpoint(1));
    go(2, "");
    EXPECT_EQ(now(), "5000 [] ! " + bad_setpoint(2));
    r.main.setpoint_box[0].set_text("4990");
    at("5000.5");
    r.main.goto_setpoint[0].click();
    EXPECT_EQ(now(), "5000.5 [] ! " + kBadPosition);
}

TEST_F(Focus, ARunStopsWhenABoxItNeedsNoLongerHoldsAWholeNumber) {
    // The position edited during a run: the next tick stops it.
    r.main.focus_up.press();
    ticks(3);
    at("50x3");
    ticks(1);
    EXPECT_EQ(now(), "50x3 [#F+# #FQ#] ! " + kStopped + kBadPosition);
    r.main.focus_up.release();  // the button's own stop still goes out
    EXPECT_EQ(now(), "50x3 [#FQ#]");

    // The setpoint of a GOTO run edited during the run.
    at("5000");
    go(1, "5100");
    ticks(3);
    r.main.setpoint_box[0].set_text("51OO");
    ticks(1);
    EXPECT_EQ(now(), "5004 [#F+# #FQ#] ! " + kStopped + bad_setpoint(1));

    // A GOTO refused during a run stops the run.
    go(1, "5100");
    go(2, "?");
    EXPECT_EQ(now(), "5004 [#F+# #FQ#] ! " + kStopped + bad_setpoint(2));

    // The state is settled before the message: a tick delivered while it is open finds no run.
    r.main.goto_setpoint[0].click();
    r.commands();
    bool running_while_shown = true;
    r.dialogs.during = [&] { running_while_shown = running() || s.focus_goto1; };
    at("x");
    ticks(1);
    EXPECT_FALSE(running_while_shown);
    EXPECT_EQ(now(), "x [#FQ#] ! " + kStopped + kBadPosition);
}

TEST_F(Focus, DisconnectingDuringARunStopsTheFocuserBeforeTheLinkCloses) {
    go(1, "6000");
    ticks(7);
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_EQ(now(), "5007 [#F+# #FQ#]");
    ticks(50);
    EXPECT_EQ(now(), "5007 []");
}

TEST_F(Focus, ALostLinkEndsARunWithoutTryingToSend) {
    go(1, "6000");
    ticks(3);
    r.serial.lose("the device was removed");
    EXPECT_FALSE(running());
    EXPECT_EQ(r.commands(), Texts{"#F+#"});
    EXPECT_EQ(r.shown().size(), 1u);  // only the lost link
}

}  // namespace
