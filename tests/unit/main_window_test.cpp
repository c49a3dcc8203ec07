#include <gtest/gtest.h>

#include <map>
#include <string>

#include "shell/main_window.h"

namespace {

using orv::MainWindow;

// The enabled state of every button, by control name.
std::map<std::string, bool> buttons(MainWindow& w) {
    std::map<std::string, bool> out;
    for (auto* c : w.all_controls())
        if (dynamic_cast<orv::ui::Button*>(c) != nullptr) out[c->name()] = c->enabled();
    return out;
}

const char* const kOrvantisOnly[] = {"Command9", "Command10", "Command11",
                                     "Command16", "Command17", "Command18"};
const char* const kStep2[] = {"Command1",  "Command2",  "Command3",  "Command4",  "Command5",
                              "Command6",  "Command7",  "Command13", "Command14", "Command15",
                              "Command20", "Command21", "Command22", "Command23"};
const char* const kAlwaysOn[] = {"Command8", "Command24", "Command19", "Command12"};

TEST(MainWindow, StartsWithOnlyConnectionSendExitAndTheBoxesUsable) {
    MainWindow w;
    EXPECT_EQ(w.title(), "Orvantis Utility x.21");
    auto b = buttons(w);
    for (auto* n : kAlwaysOn) EXPECT_TRUE(b[n]) << n;
    for (auto* n : kOrvantisOnly) EXPECT_FALSE(b[n]) << n;
    for (auto* n : kStep2) EXPECT_FALSE(b[n]) << n;
    EXPECT_EQ(b.size(), 24u);

    EXPECT_EQ(w.Command8.caption(), "CONNECT");
    EXPECT_EQ(w.Text1.text(), "#");
    EXPECT_EQ(w.pg_time.text(), "2000");
    EXPECT_EQ(w.Text13.text(), "5000");
    EXPECT_EQ(w.Command7.caption(), "FOCUS ");
    EXPECT_EQ(w.Command18.caption(), "Auto Shutter START");
    EXPECT_EQ(w.Text9.text(), "120");
    EXPECT_EQ(w.Text10.text(), "15");
    EXPECT_EQ(w.Text11.text(), "10");
    EXPECT_EQ(w.stime.caption(), "0");
    EXPECT_EQ(w.scount.caption(), "0");
    for (auto* t : w.time_boxes) {
        EXPECT_EQ(t->text(), "#");
        EXPECT_FALSE(t->enabled());
    }
    EXPECT_FALSE(w.Check2.enabled());
    EXPECT_FALSE(w.Check3.enabled());
    EXPECT_TRUE(w.CheckRA.enabled());
    EXPECT_TRUE(w.Check1.enabled());
    EXPECT_TRUE(w.Text12.enabled());
    EXPECT_TRUE(w.orvan.read_only());
    EXPECT_TRUE(w.code.read_only());
    EXPECT_TRUE(w.firm.read_only());
    EXPECT_TRUE(w.Text8.password());
}

TEST(MainWindow, EveryControlHasAnAccessibleName) {
    MainWindow w;
    for (auto* c : w.all_controls()) EXPECT_FALSE(c->accessible_name().empty()) << c->name();
    EXPECT_EQ(w.Combo1.accessible_name(), "PORT");
    EXPECT_EQ(w.Check2.accessible_name(), "AutoStar2 Emulation Mode");
    EXPECT_EQ(w.Command1.accessible_name(), "Slew south");
    EXPECT_EQ(w.Command13.accessible_name(), "Read Settings");
    // A value label reads out its value.
    w.stime.set_caption("17");
    EXPECT_EQ(w.stime.accessible_name(), "17");
    EXPECT_FALSE(w.stime.description().empty());
}

TEST(EnableControls, OrvantisWithHashInTheChannelBoxLeavesTheChannelWritesOff) {
    MainWindow w;
    std::vector<std::string> order;
    for (auto* c : w.all_controls())
        c->updated.connect([&order, c] { order.push_back(c->name() + (c->enabled() ? "+" : "-")); });
    w.enable_controls(true, "orvantis");
    auto b = buttons(w);
    for (auto* n : kStep2) EXPECT_TRUE(b[n]) << n;
    EXPECT_TRUE(b["Command9"]);
    EXPECT_TRUE(b["Command16"]);
    EXPECT_FALSE(b["Command10"]);
    EXPECT_FALSE(b["Command11"]);
    // Enabled in the two steps, then switched off again by the channel-box rule.
    const std::vector<std::string> expected = {
        "Command9+",  "Command10+", "Command11+", "Command16+", "Command17+", "Command18+",
        "Command1+",  "Command2+",  "Command3+",  "Command4+",  "Command5+",  "Command6+",
        "Command7+",  "Command13+", "Command14+", "Command15+", "Command20+", "Command21+",
        "Command22+", "Command23+", "Command10-", "Command11-"};
    EXPECT_EQ(order, expected);
}

TEST(EnableControls, Lx200LeavesTheSixOrvantisButtonsAlone) {
    MainWindow w;
    w.Text1.set_text("12");  // the rule enables WRITE and Write to Remote already
    w.enable_controls(true, "lx200");
    auto b = buttons(w);
    for (auto* n : kStep2) EXPECT_TRUE(b[n]) << n;
    EXPECT_FALSE(b["Command9"]);
    EXPECT_FALSE(b["Command16"]);
    EXPECT_FALSE(b["Command17"]);
    EXPECT_FALSE(b["Command18"]);
    EXPECT_TRUE(b["Command10"]);
    EXPECT_TRUE(b["Command11"]);

    // Disconnecting from an LX200 emulator leaves those six as they were.
    w.enable_controls(false, "lx200");
    b = buttons(w);
    for (auto* n : kStep2) EXPECT_FALSE(b[n]) << n;
    EXPECT_TRUE(b["Command10"]);
    EXPECT_TRUE(b["Command11"]);
    for (auto* n : kAlwaysOn) EXPECT_TRUE(b[n]) << n;
}

TEST(EnableControls, DisconnectOrFailedIdentificationTurnsAllTwentyOff) {
    MainWindow w;
    w.Text1.set_text("5");
    w.enable_controls(true, "orvantis");
    for (auto* n : kOrvantisOnly) EXPECT_TRUE(buttons(w)[n]) << n;
    w.enable_controls(false, "orvantis");
    auto b = buttons(w);
    for (auto* n : kOrvantisOnly) EXPECT_FALSE(b[n]) << n;
    for (auto* n : kStep2) EXPECT_FALSE(b[n]) << n;
    for (auto* n : kAlwaysOn) EXPECT_TRUE(b[n]) << n;
    // Disabling does not run the channel-box rule.
    EXPECT_EQ(w.Text1.text(), "5");
}

TEST(ChannelBoxRule, FollowsEveryChangeOfTheTextWhoeverMakesIt) {
    MainWindow w;
    struct Case {
        const char* text;
        bool enabled;
    };
    for (const Case& c : {Case{"7", true}, Case{"#", false}, Case{" 12.5 ", true},
                          Case{"-1", true}, Case{"", false}, Case{"1e2", false},
                          Case{"255", true}, Case{"abc", false}}) {
        w.Text1.set_text(c.text);
        EXPECT_EQ(w.Command10.enabled(), c.enabled) << c.text;
        EXPECT_EQ(w.Command11.enabled(), c.enabled) << c.text;
        // Nothing else is touched, whatever the connection.
        EXPECT_FALSE(w.Command9.enabled());
    }
}

}  // namespace
