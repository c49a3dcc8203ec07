// The focus panel: runs counted in focus timer ticks, GOTO to a setpoint, SET, the spinners
// and the increment, and what happens when a box does not hold a whole number.

#include <algorithm>
#include <sstream>

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
    void at(const std::string& position) { r.main.focus_position.set_text(position); }
    // Plays the user's steps, then tells now(). Steps, blank-separated: a number of focus ticks;
    // "up" or "down" presses that FOCUS button and "/up" or "/down" releases it; "at=5000"
    // types the position; "sp1=4990" types setpoint 1, "g1=4990" types it and presses its GOTO,
    // "g1" only presses it; "5ms" moves the clock by 5 ms.
    std::string play(const std::string& steps) {
        std::istringstream words(steps);
        for (std::string w; words >> w;) {
            auto& m = r.main;
            const auto is = w.find('=');
            const std::string value = is == std::string::npos ? "" : w.substr(is + 1);
            if (w == "up" || w == "down") {
                (w == "up" ? m.focus_up : m.focus_down).press();
            } else if (w == "/up" || w == "/down") {
                (w == "/up" ? m.focus_up : m.focus_down).release();
            } else if (w.starts_with("at=")) {
                at(value);
            } else if (w.starts_with("sp")) {
                m.setpoint_box[w[2] - '1'].set_text(value);
            } else if (w[0] == 'g') {
                if (is != std::string::npos) m.setpoint_box[w[1] - '1'].set_text(value);
                m.goto_setpoint[w[1] - '1'].click();
            } else {
                r.clock.advance(std::stoi(w) * (w.ends_with("ms") ? 1 : 10));  // ms or focus ticks
            }
        }
        return now();
    }
    // The position, the commands sent since the last look, what still runs and the messages
    // shown, e.g. "5002 [#F+#] running goto1 ! message".
    std::string now() {
        std::string out = r.main.focus_position.text() + " [" + r.sent_line() + "]";
        if (running()) out += " running";
        if (s.focus_goto1) out += " goto1";
        if (s.focus_goto2) out += " goto2";
        for (const auto& m : r.said()) out += " ! " + m;
        return out;
    }
    // Types into a row's box; the row after.
    std::string typed(int i, const std::string& text) {
        r.main.setpoint_box[i].set_text(text);
        return row(r.main, i);
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

TEST_F(Focus, GotoDoesNothingWhereTheFocuserIsAndOnTheOtherRowDuringARunLeavesBothFlags) {
    r.goto_focus(" 5000.0 ");  // where the focuser already is: nothing
    EXPECT_EQ(now(), "5000 []");
    EXPECT_EQ(s.focus_constant, 0);
    // The second GOTO picks the direction afresh, with no stop in between and the run's rhythm
    // kept; setpoint 2 is passed, and row 2's flag is left over.
    EXPECT_EQ(play("sp2=5005 g1=5010 2 5ms g2 5ms"), "5003 [#F+# #F+#] running goto1 goto2");
    EXPECT_EQ(play("2"), "5005 [] running goto1 goto2");
    EXPECT_EQ(play("5"), "5010 [#FQ#] goto2");
    // The left-over flag stops the next FOCUS run at setpoint 2; the release stops again.
    EXPECT_EQ(play("down 5"), "5005 [#F-# #FQ#]");
    EXPECT_EQ(play("10 /down"), "5005 [#FQ#]");
    // A FOCUS press during a GOTO run keeps its flag: the run still stops at the setpoint,
    // and the release stops once more.
    EXPECT_EQ(play("g1 2 up"), "5007 [#F+# #F+#] running goto1");
    EXPECT_EQ(play("3"), "5010 [#FQ#]");
    EXPECT_EQ(play("5 /up"), "5010 [#FQ#]");
    // A FOCUS release ends a GOTO run before it arrives.
    EXPECT_EQ(play("g1=5000 2 down /down 20"), "5008 [#F-# #F-# #FQ#]");
}

TEST_F(Focus, SetCopiesThePositionAndTheSpinnerFollowsTheBox) {
    at("5025");
    r.main.set_setpoint[1].click();
    EXPECT_EQ(row(r.main, 1), "5025 5025");
    // A half goes to the even neighbour; the box is rewritten only when the spinner moves.
    EXPECT_EQ((Texts{typed(0, "12"), typed(0, "12.7"), typed(0, "12.5"), typed(0, "12.4"),
                     typed(0, "9999"), typed(0, "0"), typed(0, "12")}),
              (Texts{"12 12", "13 13", "12 12", "12.4 12", "9999 9999", "0 0", "12 12"}));
    // Numbers the spinner cannot show, and letters, stay in the box; the spinner keeps its value.
    at("12000");
    r.main.set_setpoint[0].click();
    EXPECT_EQ((Texts{row(r.main, 0), typed(0, "-1"), typed(0, "abc"), row(r.main, 1)}),
              (Texts{"12000 12", "-1 12", "abc 12", "5025 5025"}));
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
    r.main.increment_box.set_text("1");  // the smallest step there is
    EXPECT_EQ(steps(r.main), "1 1");
    r.main.increment_box.set_text(" 9999.0 ");
    EXPECT_EQ(r.main.setpoint_spinner[0].small_change(), 9999);
    EXPECT_EQ(now(), "5000 []");
}

// What an earlier run left in the boxes is handled as if typed.
TEST(FocusStartUp, RestoredSetpointsAndIncrementAreHandledAsTyped) {
    // Setpoint 1, setpoint 2 and the increment stored, then row 1, row 2, the increment box
    // and the spinners' steps after the start.
    const std::pair<Texts, std::string> cases[] = {
        {{"250.5", "ab", "25"}, "250 250|ab 0|25|25 25"},
        {{"750", "", "xyz"}, "750 750| 0|50|50 50"},  // letters become 50
        // A half goes to the even neighbour, and the spinner's change writes the box back;
        // 40000 is beyond 16 bits and -5 outside the spinner's 0..9999.
        {{"12.5", "40000", "12"}, "12 12|40000 0|12|12 12"},
        {{"-5", "", "12"}, "-5 0| 0|12|12 12"},
    };
    for (const auto& [stored, seen] : cases) {
        Rig r;
        store_all(r, {{"focussp1", stored[0].c_str()},
                      {"focussp2", stored[1].c_str()},
                      {"focusinc", stored[2].c_str()}});
        r.program.start();
        EXPECT_EQ(row(r.main, 0) + "|" + row(r.main, 1) + "|" + r.main.increment_box.text() + "|" +
                      steps(r.main),
                  seen);
    }
}

TEST_F(Focus, ABoxWithoutAWholeNumberIsRefusedWithAMessageAndNothingSent) {
    // Any whole number runs: one count a tick, through zero, as far out as 10^15.
    EXPECT_EQ(play("at=2 down 5 /down 10"), "-3 [#F-# #FQ#]");
    EXPECT_EQ(play("at=-1000000000000000 up 1 /up"), "-999999999999999 [#F+# #FQ#]");
    // FOCUS: nothing sent on the press, nothing on its release, no run.
    for (const std::string position : {"abc", "12.5", ""}) {
        at(position);
        r.main.focus_up.press();
        EXPECT_FALSE(running()) << position;
        EXPECT_EQ(play("10 /up"), position + " [] ! " + kBadPosition);
    }
    // GOTO: the setpoint, then the position.
    EXPECT_EQ(play("at=5000 g1=4990x"), "5000 [] ! " + bad_setpoint(1));
    EXPECT_EQ(play("g2="), "5000 [] ! " + bad_setpoint(2));
    EXPECT_EQ(play("sp1=4990 at=5000.5 g1"), "5000.5 [] ! " + kBadPosition);
}

TEST_F(Focus, ARunStopsWhenABoxItNeedsNoLongerHoldsAWholeNumber) {
    // The position edited during a run: the next tick stops it; the button's own stop still
    // goes out.
    EXPECT_EQ(play("up 3 at=50x3 1"), "50x3 [#F+# #FQ#] ! " + kStopped + kBadPosition);
    EXPECT_EQ(play("/up"), "50x3 [#FQ#]");
    // The setpoint of a GOTO run edited during the run.
    EXPECT_EQ(play("at=5000 g1=5100 3 sp1=51OO 1"),
              "5004 [#F+# #FQ#] ! " + kStopped + bad_setpoint(1));
    // A GOTO refused during a run stops the run.
    EXPECT_EQ(play("g1=5100 g2=?"), "5004 [#F+# #FQ#] ! " + kStopped + bad_setpoint(2));

    // The state is settled before the message: a tick delivered while it is open finds no run.
    play("g1");
    bool running_while_shown = true;
    r.dialogs.during = [&] { running_while_shown = running() || s.focus_goto1; };
    EXPECT_EQ(play("at=x 1"), "x [#FQ#] ! " + kStopped + kBadPosition);
    EXPECT_FALSE(running_while_shown);
}

TEST_F(Focus, DisconnectingDuringARunStopsTheFocuserBeforeTheLinkCloses) {
    EXPECT_EQ(play("g1=6000 7"), "5007 [#F+#] running goto1");
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_EQ(play("50"), "5007 [#FQ#]");
}

TEST_F(Focus, ALostLinkEndsARunWithoutTryingToSend) {
    EXPECT_EQ(play("g1=6000 3"), "5003 [#F+#] running goto1");
    r.serial.lose("the device was removed");
    EXPECT_EQ(std::to_string(running()) + " [" + r.sent_line() + "]", "0 []");
    // Only the lost link is told of, and it names the run it cut off.
    EXPECT_PRED2(orv::fake::one_holding, r.said(), "while the focuser was running");
    // The next link lost, with nothing running, says nothing of the focuser.
    r.reconnect();
    r.said();
    r.lose();
    EXPECT_FALSE(orv::fake::one_holding(r.said(), "focuser"));
}

}  // namespace
