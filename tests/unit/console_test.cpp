// The direct command console: the text goes out exactly as typed and stays in the box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connected_rig.h"
#include "handcontrol/console.h"

namespace {

using orv::fake::Connected;
using Texts = std::vector<std::string>;

}  // namespace

namespace {

TEST(Console, CommandsSentAreKeptMostRecentFirstOnceEachAndAtMostFifty) {
    Connected r;
    const auto& kept = r.main.command_history.items();
    for (const char* c : {":GR#", "#Q#", ":GR#", ""}) {
        r.main.command_box.set_text(c);
        r.main.send_button.click();
    }
    EXPECT_EQ(kept, (Texts{":GR#", "#Q#"}));  // nothing empty, nothing twice
    for (int i = 0; i < 60; ++i) {
        r.main.command_box.set_text(":C" + std::to_string(i) + "#");
        r.main.send_button.click();
    }
    ASSERT_EQ(kept.size(), orv::handcontrol::kHistorySize);
    EXPECT_EQ(kept.front(), ":C59#");
    EXPECT_EQ(kept.back(), ":C10#");

    // A command that could not be sent is not kept.
    r.main.connect_button.click();  // DISCONNECT
    r.main.command_box.set_text(":never#");
    r.main.send_button.click();
    EXPECT_EQ(kept.front(), ":C59#");
}

TEST(Console, UpAndDownWalkTheHistoryAndComeBackToWhatWasTyped) {
    Connected r;
    for (const char* c : {"#a#", "#b#", "#c#"}) {
        r.main.command_box.set_text(c);
        r.main.send_button.click();
    }
    r.main.command_box.set_text("#half");
    const auto box = [&r] { return r.main.command_box.text(); };
    r.main.command_newer.fire();  // nothing newer than the draft
    EXPECT_EQ(box(), "#half");
    r.main.command_older.fire();
    EXPECT_EQ(box(), "#c#");
    r.main.command_older.fire();
    r.main.command_older.fire();
    r.main.command_older.fire();  // the oldest stays
    EXPECT_EQ(box(), "#a#");
    r.main.command_newer.fire();
    EXPECT_EQ(box(), "#b#");
    r.main.command_newer.fire();
    r.main.command_newer.fire();
    EXPECT_EQ(box(), "#half");
    // Typing after a walk starts it again from the newest.
    r.main.command_older.fire();
    r.main.command_box.set_text("#x#");
    r.main.command_older.fire();
    EXPECT_EQ(box(), "#c#");

    // Choosing from the list puts the command into the box, to be sent with SEND.
    r.commands();
    r.main.command_history.set_text("#a#");
    EXPECT_EQ(box(), "#a#");
    EXPECT_EQ(r.main.command_history.text(), "");
    EXPECT_TRUE(r.commands().empty());
    r.main.send_button.click();
    EXPECT_EQ(r.commands(), Texts{"#a#"});
    EXPECT_EQ(r.main.command_history.items().front(), "#a#");
}

TEST(Console, TheHistoryIsKeptInTheStoreBetweenRuns) {
    orv::fake::Rig first;
    first.stored("orvantis", "CommandHistory0", ":old#");
    first.stored("orvantis", "CommandHistory1", ":GR#");
    first.stored("orvantis", "CommandHistory2", ":old#");  // a hand-edited file: kept once
    first.program.start();
    EXPECT_EQ(first.main.command_history.items(), (Texts{":old#", ":GR#"}));
    first.main.command_box.set_text(":new#");
    first.main.port_list.set_text("TCP Port");
    first.main.connect_button.click();
    first.socket.accept();
    first.main.send_button.click();
    first.program.exit();
    EXPECT_EQ(first.saved("CommandHistory0"), ":new#");
    EXPECT_EQ(first.saved("CommandHistory1"), ":old#");
    EXPECT_EQ(first.saved("CommandHistory2"), ":GR#");
    EXPECT_EQ(first.saved("CommandHistory3"), "<absent>");  // no empty keys written

    orv::fake::Rig second;
    second.store.committed = first.store.committed;
    second.program.start();
    EXPECT_EQ(second.main.command_history.items(), (Texts{":new#", ":old#", ":GR#"}));
}

}  // namespace
