// The direct command console: the text goes out exactly as typed and stays in the box.

#include "handcontrol/console.h"
#include "connected_rig.h"

namespace {

void send(orv::MainWindow& m, const std::string& command) {
    m.command_box.set_text(command);
    m.send_button.click();
}

TEST(Console, CommandsSentAreKeptMostRecentFirstOnceEachAndAtMostFifty) {
    Connected r;
    const auto& kept = r.main.command_history.items();
    for (const char* c : {":GR#", "#Q#", ":GR#", ""}) send(r.main, c);
    EXPECT_EQ(kept, (Texts{":GR#", "#Q#"}));  // nothing empty, nothing twice
    for (int i = 0; i < 60; ++i) send(r.main, ":C" + std::to_string(i) + "#");
    ASSERT_EQ(kept.size(), orv::handcontrol::kHistorySize);
    EXPECT_EQ((Texts{kept.front(), kept.back()}), (Texts{":C59#", ":C10#"}));
    // A command that could not be sent is not kept.
    r.main.connect_button.click();  // DISCONNECT
    send(r.main, ":never#");
    EXPECT_EQ(kept.front(), ":C59#");
}

TEST(Console, UpAndDownWalkTheHistoryAndComeBackToWhatWasTyped) {
    Connected r;
    for (const char* c : {"#a#", "#b#", "#c#"}) send(r.main, c);
    r.main.command_box.set_text("#half");
    // The box after each key: 'v' older, '^' newer.
    const auto keys = [&r](const std::string& pressed) {
        Texts out;
        for (char k : pressed) {
            (k == 'v' ? r.main.command_older : r.main.command_newer).fire();
            out.push_back(r.main.command_box.text());
        }
        return out;
    };
    // Nothing is newer than the draft, the oldest stays, and the draft comes back.
    EXPECT_EQ(keys("^vvvv^^^"),
              (Texts{"#half", "#c#", "#b#", "#a#", "#a#", "#b#", "#c#", "#half"}));
    // Typing after a walk starts it again from the newest.
    keys("v");
    r.main.command_box.set_text("#x#");
    EXPECT_EQ(keys("v"), Texts{"#c#"});

    // Choosing from the list puts the command into the box, to be sent with SEND or Enter.
    r.commands();
    r.main.command_history.set_text("#a#");
    EXPECT_EQ(r.main.command_box.text() + "|" + r.main.command_history.text(), "#a#|");
    EXPECT_TRUE(r.commands().empty());
    r.main.command_box.enter();  // Enter presses SEND
    EXPECT_EQ(r.commands(), Texts{"#a#"});
    EXPECT_EQ(r.main.command_history.items().front(), "#a#");
}

TEST(Console, TheHistoryIsKeptInTheStoreBetweenRuns) {
    Rig first;
    // A hand-edited file holds a command twice: it is kept once. Keys past the fifty the
    // program keeps are not read.
    store_all(first, {{"CommandHistory0", ":old#"},
                      {"CommandHistory1", ":GR#"},
                      {"CommandHistory2", ":old#"},
                      {"CommandHistory50", ":beyond#"}});
    first.program.start();
    EXPECT_EQ(first.main.command_history.items(), (Texts{":old#", ":GR#"}));
    first.main.port_list.set_text("TCP Port");
    first.main.connect_button.click();
    first.socket.accept();
    send(first.main, ":new#");
    first.program.exit();
    // No empty keys written.
    EXPECT_EQ(saved_all(first, {"CommandHistory0", "CommandHistory1", "CommandHistory2",
                                "CommandHistory3"}),
              (Texts{":new#", ":old#", ":GR#", "<absent>"}));
    Rig second;
    second.store.committed = first.store.committed;
    second.program.start();
    EXPECT_EQ(second.main.command_history.items(), (Texts{":new#", ":old#", ":GR#"}));
}

}  // namespace
