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
        r.main.command_box.set_text(text);
        r.main.send_button.click();
        EXPECT_EQ(r.commands(), Texts{text}) << text;
        EXPECT_EQ(r.main.command_box.text(), text);
    }
    // SEND again sends the same text again.
    r.main.command_box.set_text("#Q#");
    r.main.send_button.click();
    r.main.send_button.click();
    EXPECT_EQ(r.serial.written, "#Q##Q#");
    EXPECT_TRUE(r.shown().empty());
}

TEST(Console, SendIsUsableBeforeAnyConnectionAndFollowsTheSocket) {
    orv::fake::Rig r;
    r.stored("orvantis", "IPaddr", "127.0.0.1");
    r.stored("orvantis", "IPport", "4001");
    r.program.start();
    EXPECT_TRUE(r.main.send_button.enabled());
    r.main.command_box.set_text("#Q#");
    r.main.send_button.click();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::link::kNotConnected});

    r.main.port_list.set_text("TCP Port");
    r.main.connect_button.click();
    r.socket.accept();
    r.socket.sent.clear();
    r.main.send_button.click();
    EXPECT_EQ(r.socket.sent, "#Q#");
}

}  // namespace
