// The shutter: ON and OFF by hand with indicator and sound, and the exposure sequencer counted
// in ticks of its one-second timer.

#include <cstdio>

#include "connected_rig.h"

namespace {

using namespace orv::fake;
using Timed = std::vector<std::pair<int, std::string>>;  // tick number, command

// A refusal of a box that must hold plain digits.
std::string plain(const std::string& box, const char* unit, int max, int example) {
    return box + " must be a whole number " + unit + "from 1 to " + std::to_string(max) +
           ", typed as plain digits (such as " + std::to_string(example) +
           ", with no blanks or leading zeros).";
}

struct Sequencer : ::testing::Test {
    Connected r;
    orv::ui::Button& automatic = r.main.auto_shutter;
    // The wall clock reads 22:00:00 when the test begins and follows the fake clock.
    const std::int64_t t0 = r.clock.now_ms();
    Sequencer() {
        r.program.shutter.clock_in = [this](int seconds) {
            const int s = static_cast<int>((r.clock.now_ms() - t0) / 1000) + seconds + 22 * 3600;
            char text[16];
            std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600 % 24, s / 60 % 60, s % 60);
            return std::string(text);
        };
    }

    bool running() const { return r.program.sequencer_timer->active(); }
    std::string labels() const {
        return r.main.elapsed_label.caption() + "/" + r.main.exposure_number_label.caption();
    }
    // What the window shows and the box and the speaker got since the last look, e.g.
    // "STOP running green 0/1 [#XP1#] (open play)": the button's last word, the timer, the
    // indicator, seconds into and number of the exposure, the commands, the sounds.
    std::string look() {
        const char* colours[] = {" white ", " red ", " green "};  // in the order of Colour
        std::string out = automatic.caption().substr(13) + (running() ? " running" : "") +
                          colours[static_cast<int>(r.main.shutter_indicator.fill_color())] +
                          labels() + " [" + r.sent_line() + "]";
        const std::string sounds = joined(std::exchange(r.sound.log, {}));
        return sounds.empty() ? out : out + " (" + sounds + ")";
    }
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
    EXPECT_EQ(look(), "START green 0/0 [#XP1#] (open play)");
    r.main.shutter_off.click();
    EXPECT_EQ(look(), "START red 0/0 [#XP0#] (stop close beep)");
}

// Each tick: the labels, the commands and the run line. The last exposure's ON and OFF go out
// back to back after its length and gap.
TEST_F(Sequencer, ARunCountsItsTicksTellsTheTimeLeftAndEndsWithTheBackToBackPair) {
    const auto line = [this] { return r.main.run_progress.caption(); };
    EXPECT_EQ(line(), "");
    r.expose("2", "1", "3");
    r.commands();
    Texts seen = {line()};
    for (int t = 1; t <= 9; ++t) {
        r.clock.advance(1000);
        seen.push_back(labels() + " [" + r.sent_line() + "] " + line());
    }
    EXPECT_EQ(seen, (Texts{"Exposure 1 of 3, 0:09 left, ends at 22:00:09",
                           "1/1 [] Exposure 1 of 3, 0:08 left, ends at 22:00:09",
                           "2/1 [#XP0#] Exposure 1 of 3, 0:07 left, ends at 22:00:09",
                           "0/2 [#XP1#] Exposure 2 of 3, 0:06 left, ends at 22:00:09",
                           "1/2 [] Exposure 2 of 3, 0:05 left, ends at 22:00:09",
                           "2/2 [#XP0#] Exposure 2 of 3, 0:04 left, ends at 22:00:09",
                           "0/3 [#XP1#] Exposure 3 of 3, 0:03 left, ends at 22:00:09",
                           "1/3 [] Exposure 3 of 3, 0:02 left, ends at 22:00:09",
                           "2/3 [#XP0#] Exposure 3 of 3, 0:01 left, ends at 22:00:09",
                           "0/3 [#XP1# #XP0#] Run ended at 22:00:09: 3 of 3 exposures completed"}));

    // Hours are shown from one hour left on; stopped in the second exposure: one exposure was
    // completed.
    r.expose("1800", "60", "10");
    EXPECT_EQ(line(), "Exposure 1 of 10, 5:10:00 left, ends at 03:10:09");
    r.clock.advance(1861 * 1000);
    EXPECT_EQ(line(), "Exposure 2 of 10, 4:38:59 left, ends at 03:10:09");
    r.main.exposure_count.set_text("3");  // a count lowered shortens the time left
    r.clock.advance(119 * 1000);
    EXPECT_EQ(line(), "Exposure 2 of 3, 1:00:00 left, ends at 23:33:09");
    r.clock.advance(1000);
    EXPECT_EQ(line(), "Exposure 2 of 3, 59:59 left, ends at 23:33:09");
    automatic.click();
    EXPECT_EQ(line(), "Run stopped at 22:33:10: 1 of 3 exposures completed");

    // A count box emptied during a run: the line tells only the exposure.
    r.expose("2", "1", "3");
    r.clock.advance(1000);
    r.main.exposure_count.set_text("");
    r.clock.advance(1000);
    EXPECT_EQ(line(), "Exposure 1");
    automatic.click();

    // A link closing ends the run the same way.
    r.expose("2", "1", "1");
    r.main.connect_button.click();
    EXPECT_EQ(line(), "Run stopped at 22:33:12: 0 of 1 exposure completed");
}

TEST_F(Sequencer, StartRefusesBoxesThatCannotTimeARunAndNamesTheBox) {
    const std::string length = plain("Exp. secs", "of seconds ", 32766, 120);
    const std::string gap = plain("Exp. Gap", "of seconds ", 32766, 15);
    const std::string count = plain("Exp. Count", "", 32767, 10);
    const std::string sum = "Exp. secs and Exp. Gap together must be at most 32767 seconds.";
    // Length, gap, count, the message; with all three wrong, the first box in the window.
    std::vector<Texts> cases = {
        {"32767", "1", "1", length}, {"30000", "2768", "10", sum}, {"0", "0", "0", length}};
    for (const char* e : {"0120", " 120", "120 ", "", "abc", "0", "1.5", "+5", "-5"})
        cases.push_back({e, "15", "10", length});
    for (const char* g : {"0", "015", "x", "32767"}) cases.push_back({"1", g, "10", gap});
    for (const char* n : {"0", "01", "ten", "32768"}) cases.push_back({"120", "15", n, count});
    for (const Texts& c : cases) {
        SCOPED_TRACE(joined({c[0], c[1], c[2]}));
        r.expose(c[0], c[1], c[2]);
        EXPECT_EQ(r.said(), Texts{c[3]});
        EXPECT_EQ(look(), "START red 0/0 []");
    }
    // The largest runs that fit.
    for (const auto& [e, g] : {std::pair{"32000", "767"}, {"32766", "1"}, {"1", "32766"}}) {
        r.expose(e, g, "32767");
        EXPECT_TRUE(running()) << e;
        automatic.click();
    }
    EXPECT_TRUE(r.said().empty());
}

TEST_F(Sequencer, BoxesEditedDuringARunStillEndIt) {
    // A length box that no longer holds a plain number stops the run at the next tick.
    r.expose("10", "5", "3");
    r.clock.advance(3000);
    r.main.exposure_secs.set_text("010");
    r.clock.advance(1000);
    EXPECT_EQ(look(), "START red 4/1 [#XP1# #XP0#] (open play stop close beep)");
    ASSERT_EQ(r.said().size(), 1u);

    // A count lowered below the current exposure ends the run at the end of that cycle.
    r.expose("1", "1", "5");
    r.clock.advance(4000);  // exposure 3 begins
    EXPECT_EQ(look(),
              "STOP running green 0/3 [#XP1# #XP0# #XP1# #XP0# #XP1#] (open play stop close "
              "beep open play stop close beep open play)");
    r.main.exposure_count.set_text("2");
    EXPECT_EQ(run(3, 4), (Timed{{5, "#XP0#"}, {6, "#XP1#"}, {6, "#XP0#"}}));
    EXPECT_FALSE(running());

    // A length shortened below the elapsed time: the cycle ends at length plus gap or later.
    r.expose("10", "2", "2");
    r.clock.advance(5000);
    r.main.exposure_secs.set_text("3");
    EXPECT_EQ(run(1, 5), (Timed{{5, "#XP1#"}, {6, "#XP1#"}}));
    EXPECT_EQ(labels(), "0/2");
    EXPECT_TRUE(r.said().empty());

}

TEST_F(Sequencer, DisconnectingEndsARunAndClosesAnOpenShutterFirst) {
    r.expose("2", "1", "3");
    r.clock.advance(1000);  // mid-exposure: the shutter is open
    look();
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_EQ(look() + " " + enabled(automatic), "START red 1/1 [#XP0#] (stop close beep) off");
    r.clock.advance(10000);
    EXPECT_EQ(look(), "START red 1/1 []");
    EXPECT_TRUE(r.said().empty());

    // Connected again, Auto Shutter starts a new run at once; in its gap the shutter is
    // already closed, and disconnecting sends nothing more.
    r.connect_again();
    r.expose("1", "5", "3");
    EXPECT_EQ(look(), "STOP running green 0/1 [#XP1#] (open play)");
    r.clock.advance(2000);
    look();
    r.main.connect_button.click();
    EXPECT_TRUE(r.commands().empty());

    // Connected again, Auto Shutter starts a new run: nothing of the old one is left on.
    r.connect_again();
    automatic.click();
    EXPECT_EQ(look(), "STOP running green 0/1 [#XP1#] (open play)");
}

TEST_F(Sequencer, ALostLinkEndsTheRunAndStopsShowingAnOpenShutter) {
    r.expose("2", "1", "3");
    r.clock.advance(1000);  // mid-exposure: the shutter is open
    look();
    r.serial.lose("the device was unplugged");
    // Nothing goes to a port that is gone.
    EXPECT_EQ(look(), "START red 1/1 [] (stop close)");
    EXPECT_PRED2(one_holding, r.said(), "was lost");
    // Connected again, the shutter is closed: the next DISCONNECT has nothing to close.
    r.connect_again();
    r.main.connect_button.click();
    EXPECT_TRUE(r.commands().empty());
}

}  // namespace
