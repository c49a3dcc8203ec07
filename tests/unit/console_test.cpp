// The direct command console: the text goes out exactly as typed and stays in the box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connected_rig.h"

namespace {

using orv::fake::Connected;
using Texts = std::vector<std::string>;

TEST(Console, SendsTheBoxTextUnchangedAndKeepsIt) {
    Connected r;
    for (const std::string text : {"#Q#", ":GR#", "GVN", "  #Ms# ", "", "#\x01\xff#"}) {
        r.main.Text12.set_text(text);
        r.main.Command19.click();
        EXPECT_EQ(r.commands(), Texts{text}) << text;
        EXPECT_EQ(r.main.Text12.text(), text);
    }
    // SEND again sends the same text again.
    r.main.Text12.set_text("#Q#");
    r.main.Command19.click();
    r.main.Command19.click();
    EXPECT_EQ(r.serial.written, "#Q##Q#");
    EXPECT_TRUE(r.shown().empty());
}

TEST(Console, SendIsUsableBeforeAnyConnectionAndFollowsTheSocket) {
    orv::fake::Rig r;
    r.stored("orvantis", "IPaddr", "127.0.0.1");
    r.stored("orvantis", "IPport", "4001");
    r.program.start();
    EXPECT_TRUE(r.main.Command19.enabled());
    r.main.Text12.set_text("#Q#");
    r.main.Command19.click();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::link::kNotConnected});

    r.main.Combo1.set_text("TCP Port");
    r.main.Command8.click();
    r.socket.accept();
    r.socket.sent.clear();
    r.main.Command19.click();
    EXPECT_EQ(r.socket.sent, "#Q#");
}

}  // namespace
