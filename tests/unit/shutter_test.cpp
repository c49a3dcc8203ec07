// The shutter: ON and OFF by hand with indicator and sound, and the exposure sequencer counted
// in ticks of its one-second timer.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "connected_rig.h"

namespace {

using orv::fake::Connected;
using Texts = std::vector<std::string>;
using Timed = std::vector<std::pair<int, std::string>>;  // tick number, command

const Texts kOnSounds = {"open", "play"};
const Texts kOffSounds = {"stop", "close", "beep"};

struct Sequencer : ::testing::Test {
    Connected r;
    orv::ui::Button& automatic = r.main.auto_shutter;
    // The wall clock reads 22:00:00 when the test begins and follows the fake clock.
    const std::int64_t t0 = r.clock.now_ms();
    Sequencer() {
        r.program.shutter.clock_in = [this](int seconds) {
            const auto s = (r.clock.now_ms() - t0) / 1000 + seconds;
            char text[16];
            std::snprintf(text, sizeof text, "%02d:%02d:%02d",
                          static_cast<int>((22 + s / 3600) % 24), static_cast<int>(s / 60 % 60),
                          static_cast<int>(s % 60));
            return std::string(text);
        };
    }

    void boxes(const std::string& length, const std::string& gap, const std::string& count) {
        r.main.exposure_secs.set_text(length);
        r.main.exposure_gap.set_text(gap);
        r.main.exposure_count.set_text(count);
    }
    bool running() const { return r.program.sequencer_timer->active(); }
    // Runs `ticks` seconds from now, noting each command with the tick it went out on.
    Timed run(int ticks, int first_tick = 0) {
        Timed out;
        for (const auto& c : r.commands()) out.emplace_back(first_tick, c);
        for (int t = first_tick + 1; t <= first_tick + ticks; ++t) {
            r.clock.advance(1000);
            for (const auto& c : r.commands()) out.emplace_back(t, c);
        }
        return out;
    }
};

TEST_F(Sequencer, ManualOnAndOffSendShowAndSound) {
    r.main.shutter_on.click();
    EXPECT_EQ(r.commands(), Texts{"#XP1#"});
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Green);
    EXPECT_EQ(r.sound.log, kOnSounds);
    r.sound.log.clear();
    r.main.shutter_off.click();
    EXPECT_EQ(r.commands(), Texts{"#XP0#"});
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_EQ(r.sound.log, kOffSounds);
    EXPECT_FALSE(running());
    EXPECT_EQ(r.main.elapsed_label.caption(), "0");
    EXPECT_EQ(r.main.exposure_number_label.caption(), "0");
}

TEST_F(Sequencer, TwoExposuresOfTwoSecondsWithAOneSecondGap) {
    boxes("2", "1", "2");
    automatic.click();
    EXPECT_EQ(automatic.caption(), "Auto Shutter STOP");
    EXPECT_EQ(r.program.sequencer_timer->interval(), 1000);
    EXPECT_EQ(r.main.elapsed_label.caption(), "0");
    EXPECT_EQ(r.main.exposure_number_label.caption(), "1");
    const Timed expected = {{0, "#XP1#"}, {2, "#XP0#"}, {3, "#XP1#"}, {5, "#XP0#"},
                            {6, "#XP1#"}, {6, "#XP0#"}};
    EXPECT_EQ(run(10), expected);
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
    EXPECT_FALSE(running());
    EXPECT_EQ(r.main.exposure_number_label.caption(), "2");
    EXPECT_EQ(r.main.elapsed_label.caption(), "0");
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    // The last pair back to back: ON with its sounds, then OFF with its sounds and the beep.
    const Texts tail(r.sound.log.end() - 5, r.sound.log.end());
    EXPECT_EQ(tail, (Texts{"open", "play", "stop", "close", "beep"}));
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Sequencer, TheLabelsCountTheSecondsAndTheExposures) {
    boxes("2", "1", "2");
    automatic.click();
    std::vector<std::pair<std::string, std::string>> seen;
    for (int t = 1; t <= 5; ++t) {
        r.clock.advance(1000);
        seen.emplace_back(r.main.elapsed_label.caption(), r.main.exposure_number_label.caption());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                        {"1", "1"}, {"2", "1"}, {"0", "2"}, {"1", "2"}, {"2", "2"}}));
}

TEST_F(Sequencer, TheRunLineTellsTheExposureTheTimeLeftAndTheEnd) {
    const auto line = [this] { return r.main.run_progress.caption(); };
    EXPECT_EQ(line(), "");
    boxes("2", "1", "3");
    automatic.click();
    Texts seen = {line()};
    for (int t = 1; t <= 9; ++t) {
        r.clock.advance(1000);
        seen.push_back(line());
    }
    EXPECT_EQ(seen, (Texts{"Exposure 1 of 3, 0:09 left, ends at 22:00:09",
                           "Exposure 1 of 3, 0:08 left, ends at 22:00:09",
                           "Exposure 1 of 3, 0:07 left, ends at 22:00:09",
                           "Exposure 2 of 3, 0:06 left, ends at 22:00:09",
                           "Exposure 2 of 3, 0:05 left, ends at 22:00:09",
                           "Exposure 2 of 3, 0:04 left, ends at 22:00:09",
                           "Exposure 3 of 3, 0:03 left, ends at 22:00:09",
                           "Exposure 3 of 3, 0:02 left, ends at 22:00:09",
                           "Exposure 3 of 3, 0:01 left, ends at 22:00:09",
                           "Run ended at 22:00:09: 3 of 3 exposures completed"}));

    // Stopped in the second exposure: one exposure was completed.
    boxes("1800", "60", "10");
    automatic.click();
    EXPECT_EQ(line(), "Exposure 1 of 10, 5:10:00 left, ends at 03:10:09");
    r.clock.advance(1861 * 1000);
    EXPECT_EQ(line(), "Exposure 2 of 10, 4:38:59 left, ends at 03:10:09");
    automatic.click();
    EXPECT_EQ(line(), "Run stopped at 22:31:10: 1 of 10 exposures completed");

    // A link closing ends the run the same way.
    boxes("2", "1", "1");
    automatic.click();
    r.main.connect_button.click();
    EXPECT_EQ(line(), "Run stopped at 22:31:10: 0 of 1 exposure completed");
}

TEST_F(Sequencer, OneExposureEndsWithTheBackToBackPairAfterLengthAndGap) {
    boxes("3", "2", "1");
    automatic.click();
    const Timed expected = {{0, "#XP1#"}, {3, "#XP0#"}, {5, "#XP1#"}, {5, "#XP0#"}};
    EXPECT_EQ(run(8), expected);
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
}

TEST_F(Sequencer, StoppingInAGapClosesAgainAndARestartResetsTheLabels) {
    boxes("2", "3", "5");
    automatic.click();
    EXPECT_EQ(run(3), (Timed{{0, "#XP1#"}, {2, "#XP0#"}}));
    r.sound.log.clear();
    automatic.click();
    EXPECT_EQ(r.commands(), Texts{"#XP0#"});
    EXPECT_EQ(r.sound.log, kOffSounds);
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
    EXPECT_FALSE(running());
    EXPECT_EQ(r.main.elapsed_label.caption(), "3");  // the labels keep their last values
    EXPECT_TRUE(run(10).empty());

    automatic.click();
    EXPECT_EQ(r.main.elapsed_label.caption(), "0");
    EXPECT_EQ(r.main.exposure_number_label.caption(), "1");
    EXPECT_EQ(r.commands(), Texts{"#XP1#"});
    r.clock.advance(1000);
    EXPECT_EQ(r.main.elapsed_label.caption(), "1");  // a fresh one-second period
}

TEST_F(Sequencer, ManualSwitchingDuringARunLeavesTheRunAlone) {
    boxes("5", "5", "2");
    automatic.click();
    r.clock.advance(2000);
    r.main.shutter_off.click();
    r.main.shutter_on.click();
    EXPECT_EQ(r.main.elapsed_label.caption(), "2");
    EXPECT_EQ(r.main.exposure_number_label.caption(), "1");
    EXPECT_TRUE(running());
    EXPECT_EQ(run(3, 2), (Timed{{2, "#XP1#"}, {2, "#XP0#"}, {2, "#XP1#"}, {5, "#XP0#"}}));
}

TEST_F(Sequencer, StartRefusesBoxesThatCannotTimeARunAndNamesTheBox) {
    const std::string length =
        "Exp. secs must be a whole number of seconds from 1 to 32766, typed as plain digits "
        "(such as 120, with no blanks or leading zeros).";
    const std::string gap =
        "Exp. Gap must be a whole number of seconds from 1 to 32766, typed as plain digits "
        "(such as 15, with no blanks or leading zeros).";
    const std::string count =
        "Exp. Count must be a whole number from 1 to 32767, typed as plain digits (such as 10, "
        "with no blanks or leading zeros).";
    const std::string sum = "Exp. secs and Exp. Gap together must be at most 32767 seconds.";
    struct Case {
        std::string e, g, n, message;
    };
    for (const Case& c : {
             Case{"0120", "15", "10", length}, Case{" 120", "15", "10", length},
             Case{"120 ", "15", "10", length}, Case{"", "15", "10", length},
             Case{"abc", "15", "10", length}, Case{"0", "15", "10", length},
             Case{"1.5", "15", "10", length}, Case{"+5", "15", "10", length},
             Case{"-5", "15", "10", length}, Case{"32767", "1", "1", length},
             Case{"120", "0", "10", gap}, Case{"120", "015", "10", gap},
             Case{"120", "x", "10", gap}, Case{"120", "15", "0", count},
             Case{"120", "15", "01", count}, Case{"120", "15", "ten", count},
             Case{"120", "15", "32768", count}, Case{"30000", "2768", "10", sum},
             Case{"0", "0", "0", length},  // the first box in the window is named
         }) {
        boxes(c.e, c.g, c.n);
        automatic.click();
        EXPECT_EQ(r.shown(), Texts{c.message}) << c.e << "|" << c.g << "|" << c.n;
        EXPECT_TRUE(r.commands().empty());
        EXPECT_EQ(automatic.caption(), "Auto Shutter START");
        EXPECT_FALSE(running());
        EXPECT_EQ(r.main.exposure_number_label.caption(), "0");
        EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
        EXPECT_TRUE(r.sound.log.empty());
    }
    ASSERT_FALSE(r.dialogs.shown.size());
    // The largest run that fits.
    boxes("32000", "767", "32767");
    automatic.click();
    EXPECT_TRUE(running());
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Sequencer, BoxesEditedDuringARunStillEndIt) {
    // A length box that no longer holds a plain number stops the run at the next tick.
    boxes("10", "5", "3");
    automatic.click();
    r.clock.advance(3000);
    r.main.exposure_secs.set_text("010");
    r.clock.advance(1000);
    EXPECT_FALSE(running());
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
    EXPECT_EQ(r.commands(), (Texts{"#XP1#", "#XP0#"}));
    ASSERT_EQ(r.shown().size(), 1u);

    // A count lowered below the current exposure ends the run at the end of that cycle.
    boxes("1", "1", "5");
    automatic.click();
    r.clock.advance(4000);  // exposure 3 begins
    EXPECT_EQ(r.main.exposure_number_label.caption(), "3");
    EXPECT_EQ(r.commands(), (Texts{"#XP1#", "#XP0#", "#XP1#", "#XP0#", "#XP1#"}));
    r.main.exposure_count.set_text("2");
    EXPECT_EQ(run(3, 4), (Timed{{5, "#XP0#"}, {6, "#XP1#"}, {6, "#XP0#"}}));
    EXPECT_FALSE(running());

    // A length shortened below the elapsed time: the cycle ends at length plus gap or later.
    boxes("10", "2", "2");
    automatic.click();
    r.clock.advance(5000);
    r.main.exposure_secs.set_text("3");
    EXPECT_EQ(run(1, 5), (Timed{{5, "#XP1#"}, {6, "#XP1#"}}));
    EXPECT_EQ(r.main.exposure_number_label.caption(), "2");
    EXPECT_EQ(r.main.elapsed_label.caption(), "0");
    EXPECT_TRUE(r.shown().empty());
}

TEST_F(Sequencer, DisconnectingEndsARunAndClosesAnOpenShutterFirst) {
    boxes("2", "1", "3");
    automatic.click();
    r.clock.advance(1000);  // mid-exposure: the shutter is open
    r.commands();
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(running());
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
    EXPECT_FALSE(automatic.enabled());
    EXPECT_EQ(r.commands(), Texts{"#XP0#"});
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    r.clock.advance(10000);
    EXPECT_TRUE(r.commands().empty());
    EXPECT_TRUE(r.shown().empty());

    // In a gap the shutter is already closed: nothing more is sent.
    Connected again;
    again.main.exposure_secs.set_text("1");
    again.main.exposure_gap.set_text("5");
    again.main.exposure_count.set_text("3");
    again.main.auto_shutter.click();
    again.clock.advance(2000);
    again.commands();
    again.main.connect_button.click();
    EXPECT_TRUE(again.commands().empty());

    // Connected again, Auto Shutter starts a new run: nothing of the old one is left on.
    again.main.connect_button.click();
    again.serial.arrive("1.20#");
    again.commands();
    again.main.auto_shutter.click();
    EXPECT_EQ(again.main.auto_shutter.caption(), "Auto Shutter STOP");
    EXPECT_EQ(again.commands(), Texts{"#XP1#"});
}

TEST_F(Sequencer, ALostLinkEndsTheRunAndStopsShowingAnOpenShutter) {
    boxes("2", "1", "3");
    automatic.click();
    r.clock.advance(1000);  // mid-exposure: the shutter is open
    r.commands();
    r.sound.log.clear();
    r.serial.lose("the device was unplugged");
    EXPECT_FALSE(running());
    EXPECT_EQ(automatic.caption(), "Auto Shutter START");
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_EQ(r.sound.log, (Texts{"stop", "close"}));
    EXPECT_TRUE(r.serial.written.empty());  // nothing goes to a port that is gone
    const auto shown = r.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("was lost"), std::string::npos);
}

}  // namespace
