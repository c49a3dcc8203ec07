// The slew pad: continuous moves while an arrow is held, guide pulses, and the stop button; the
// stop key.

#include "handcontrol/slew_pad.h"
#include "connected_rig.h"

namespace {

using orv::fake::joined;

using orv::handcontrol::kPulseNotNumber;
using orv::handcontrol::kPulseTooLong;

void tap(orv::ui::Button& b) {
    b.press();
    b.release();
}

struct SlewPad : ::testing::Test {
    Connected r;
    orv::MainWindow& m = r.main;
};

TEST_F(SlewPad, ATypedPulseTimeSwitchesPulseModeOnAndGoesOutAsTypedOrIsExplained) {
    // The pulse time, the arrow tapped, what was sent, the message. The length is tested
    // first; the last case is four letters.
    const std::tuple<const char*, orv::ui::Button&, const char*, const char*> cases[] = {
        {"50", m.slew_up, "#Mgs50#", ""},
        {"2000", m.slew_down, "#Mgn2000#", ""},
        {"-100", m.slew_up, "#Mgs-100#", ""},
        {"1.5", m.slew_right, "#Mgw1.5#", ""},
        {" 007", m.slew_left, "#Mge 007#", ""},
        {"12345", m.slew_up, "", kPulseTooLong},
        {"1 2 3", m.slew_up, "", kPulseTooLong},
        {"", m.slew_up, "", kPulseNotNumber},
        {"abcd", m.slew_up, "", kPulseNotNumber},
        {"1e3", m.slew_up, "", kPulseNotNumber},
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", m.slew_up, "", kPulseNotNumber}};
    for (const auto& [time, arrow, sent, message] : cases) {
        m.pulse_time.set_text(time);  // typing a pulse time switches pulse mode on
        tap(arrow);                   // a pulse ends by itself: the release sends nothing
        EXPECT_EQ(r.sent_line() + "|" + joined(r.said()), std::string(sent) + "|" + message)
            << time;
    }
    // The messages have no title of their own.
    m.slew_up.press();
    ASSERT_EQ(r.dialogs.shown.size(), 1u);
    EXPECT_EQ(r.dialogs.shown[0].title, "");
}

TEST_F(SlewPad, TheStopButtonSendsTheGeneralStopInEitherMode) {
    r.main.slew_stop.click();
    r.main.slew_up.press();
    r.main.slew_stop.click();
    r.main.slew_up.release();
    EXPECT_EQ(r.commands(), (Texts{"#Q#", "#Ms#", "#Q#", "#Qs#"}));
    r.main.pulse_mode.set_value(1);
    r.main.slew_stop.click();
    EXPECT_EQ(r.commands(), Texts{"#Q#"});
}

// The stop key stops whatever moves, as the stop button and the releases would, and leaves an
// exposure run alone.
TEST(StopKey, StopsTheMountAndTheFocuserAndSilencesTheReleasesStillToCome) {
    using Buttons = std::vector<orv::ui::Button*>;
    struct Case {
        const char* what;
        Buttons held;     // pressed, and released by the user after the stop, last first
        Buttons clicked;  // with a setpoint and an exposure run typed
        Texts sent;
    };
    for (int k = 0; k < 6; ++k) {
        Connected r;
        auto& m = r.main;
        m.setpoint_box[1].set_text("4000");
        m.exposure_secs.set_text("5");
        m.exposure_gap.set_text("5");
        m.exposure_count.set_text("3");
        const Case cases[] = {{"nothing moving", {}, {}, {"#Q#"}},
                              {"held arrow", {&m.slew_right}, {}, {"#Q#"}},
                              {"focus GOTO", {}, {&m.goto_setpoint[1]}, {"#Q#", "#FQ#"}},
                              {"held FOCUS", {&m.focus_down}, {}, {"#Q#", "#FQ#"}},
                              {"both", {&m.slew_up, &m.focus_up}, {}, {"#Q#", "#FQ#"}},
                              {"exposure run", {}, {&m.auto_shutter}, {"#Q#"}}};
        const Case& c = cases[k];
        for (auto* b : c.held) b->press();
        for (auto* b : c.clicked) b->click();
        r.clock.advance(100);
        r.commands();
        m.stop_key.fire();
        EXPECT_EQ(r.commands(), c.sent) << c.what;
        const std::string position = m.focus_position.text();
        r.clock.advance(100);
        EXPECT_EQ(m.focus_position.text(), position) << c.what;
        EXPECT_FALSE(m.state.focus_goto1 || m.state.focus_goto2) << c.what;
        for (auto b = c.held.rbegin(); b != c.held.rend(); ++b) (*b)->release();
        EXPECT_TRUE(r.commands().empty()) << c.what;
        EXPECT_EQ(r.program.sequencer_timer->active(), k == 5) << c.what;
        // A new press after the stop works as ever.
        tap(m.focus_up);
        EXPECT_EQ(r.commands(), (Texts{"#F+#", "#FQ#"})) << c.what;
        // Nothing moves any more: a DISCONNECT stops no mount (the run's shutter it closes).
        m.connect_button.click();
        EXPECT_EQ(r.commands(), k == 5 ? Texts{"#XP0#"} : Texts{}) << c.what;
    }

    // A hold ended by a disconnect is over: a second link closing sends no stop again.
    Connected r;
    r.main.slew_up.press();
    r.commands();
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_EQ(r.commands(), (Texts{"#Q#"}));
    r.connect_again();
    r.main.connect_button.click();
    EXPECT_TRUE(r.commands().empty());

    // Not connected, or while the boot loader has the link: nothing is sent.
    r.main.stop_key.fire();
    EXPECT_TRUE(r.commands().empty());
    Connected locked;
    locked.main.commands_locked = true;
    locked.main.stop_key.fire();
    EXPECT_TRUE(locked.commands().empty());
}

}  // namespace
