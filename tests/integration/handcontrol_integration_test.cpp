// The slew pad, the focuser and the exposure sequencer against the simulated box as a real
// process over a pseudo-terminal, on the real timers: the commands arrive in order and in the
// expected numbers. Timing precision is left to the benchmarks; only coarse spacing is checked.

#include <gtest/gtest.h>

#include <QByteArray>
#include <string>
#include <utility>
#include <vector>

#include "integration/boxsim_process.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::LiveProgram;
using orv::test::wait_until;
using Texts = std::vector<std::string>;
using Timed = std::vector<std::pair<double, std::string>>;

// The commands of `wanted` the box logged, known or not, with their times in milliseconds.
Timed logged(const BoxSim& box, const Texts& wanted) {
    Timed out;
    for (const QByteArray& line : QByteArray::fromStdString(box.log()).split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() < 4 || (parts[2] != "CMD" && parts[2] != "UNKNOWN")) continue;
        const std::string text = line.mid(parts[0].size() + parts[1].size() + parts[2].size() + 3).toStdString();
        for (const auto& w : wanted)
            if (text == w) out.emplace_back(parts[0].toDouble(), text);
    }
    return out;
}

Texts texts(const Timed& timed) {
    Texts out;
    for (const auto& t : timed) out.push_back(t.second);
    return out;
}

struct Connected {
    BoxSim box{{"--box", "gen2"}};
    LiveProgram p{"COM3=" + box.pty()};
    Connected() {
        p.connect_and_identify("COM3");
        p.dialogs.shown.clear();  // "Orvantis found on COM3"
    }
};

TEST(HandControl, ASequencerRunArrivesAsThreeOnOffPairsTheLastBackToBack) {
    Connected c;
    ASSERT_TRUE(c.p.main().auto_shutter.enabled());
    auto& m = c.p.main();
    m.exposure_secs.set_text("1");
    m.exposure_gap.set_text("1");
    m.exposure_count.set_text("2");
    m.auto_shutter.click();
    EXPECT_EQ(m.auto_shutter.caption(), "Auto Shutter STOP");
    ASSERT_TRUE(wait_until([&] { return m.auto_shutter.caption() == "Auto Shutter START"; }, 8000));
    const Texts shutter = {"#XP1#", "#XP0#"};
    ASSERT_TRUE(wait_until([&] { return logged(c.box, shutter).size() == 6; }, 2000)) << c.box.log();
    const Timed got = logged(c.box, shutter);
    EXPECT_EQ(texts(got), (Texts{"#XP1#", "#XP0#", "#XP1#", "#XP0#", "#XP1#", "#XP0#"}));
    // One-second steps between the first five, nothing between the last two.
    for (std::size_t i = 1; i < 5; ++i) EXPECT_GT(got[i].first - got[i - 1].first, 600.0) << i;
    EXPECT_LT(got[5].first - got[4].first, 400.0);
    EXPECT_EQ(m.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_TRUE(c.p.dialogs.messages().empty());
}

TEST(HandControl, AFocusGotoAndASlewArriveInOrder) {
    Connected c;
    ASSERT_TRUE(c.p.main().goto_setpoint[0].enabled());
    auto& m = c.p.main();
    m.focus_position.set_text("5000");
    m.setpoint_box[0].set_text("5020");
    m.goto_setpoint[0].click();
    ASSERT_TRUE(wait_until([&] { return !c.p.program->focus_timer->active(); }, 3000));
    EXPECT_EQ(m.focus_position.text(), "5020");
    EXPECT_FALSE(m.state.focus_goto1);

    m.slew_up.press();
    m.slew_up.release();
    m.pulse_mode.set_value(1);
    m.slew_down.press();
    m.slew_down.release();

    const Texts wanted = {"#F+#", "#F-#", "#FQ#", "#Ms#", "#Qs#", "#Mgn2000#"};
    ASSERT_TRUE(wait_until([&] { return logged(c.box, wanted).size() == 5; }, 2000));
    const Timed got = logged(c.box, wanted);
    EXPECT_EQ(texts(got), (Texts{"#F+#", "#FQ#", "#Ms#", "#Qs#", "#Mgn2000#"}));
    // Twenty ticks of 10 ms cannot take less than 200 ms.
    EXPECT_GT(got[1].first - got[0].first, 190.0);
    EXPECT_TRUE(c.p.dialogs.messages().empty());
}

}  // namespace
