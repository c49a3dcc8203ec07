// The RF channel: READ, WRITE with its limits, and the "Write to Remote" procedure.

#include <gtest/gtest.h>

#include <string>

#include "config/rf_channel.h"
#include "fakes/rig.h"

namespace {

using orv::config::kChannelLimit;
using orv::fake::ConnectedRig;
using orv::platform::Answer;

TEST(RfChannel, WriteSendsTheRawByteOrRefusesWithAMessage) {
    struct Case {
        const char* text;
        std::string sent;
        const char* message;
    };
    for (const Case& c : {Case{"127", std::string("#sCh\x7f#"), ""}, Case{"35", "#sCh##", ""},
                          Case{" 0 ", std::string("#sCh\x00#", 6), ""},
                          Case{"12.5", std::string("#sCh\x0c#"), ""},
                          Case{"128", "", kChannelLimit}, Case{"127.6", "", kChannelLimit},
                          Case{"255", "", kChannelLimit}, Case{"-1", "", "below 0"},
                          Case{"-0.6", "", "below 0"}}) {
        ConnectedRig r;
        r.main.channel_box.set_text(c.text);
        r.main.write_channel.click();
        EXPECT_EQ(r.serial.written, c.sent) << c.text;
        if (*c.message == '\0') {
            EXPECT_TRUE(r.dialogs.shown.empty()) << c.text;
        } else {
            ASSERT_EQ(r.dialogs.messages().size(), 1u) << c.text;
            EXPECT_NE(r.dialogs.messages()[0].find(c.message), std::string::npos) << c.text;
        }
    }
}

TEST(RfChannel, WriteToRemoteAsksThenRepeatsUntilTheLedStops) {
    ConnectedRig r;
    r.main.channel_box.set_text("20");
    r.dialogs.answers = {Answer::Yes, Answer::No, Answer::Yes};
    // While the second question is open the user corrects the box.
    int questions = 0;
    r.dialogs.during = [&] {
        if (++questions == 2) r.main.channel_box.set_text("21");
    };
    r.main.write_to_remote.click();
    EXPECT_EQ(r.serial.written, "#rCh\x14##rCh\x15#");
    ASSERT_EQ(r.dialogs.shown.size(), 3u);
    EXPECT_EQ(r.dialogs.shown[0].title, "Set Remote to Channel Set");
    EXPECT_EQ(r.dialogs.shown[0].text,
              "ENSURE REMOTE IS IN CHANNEL SET MODE...\rby holding both Focus Buttons down\r"
              "until the LED flashes. (approx 10secs)\rPress Yes to continue");
    EXPECT_EQ(r.dialogs.shown[1].text, "LED stopped flashing?");
    EXPECT_EQ(r.dialogs.shown[1].title, "");
}

TEST(RfChannel, WriteToRemoteAnsweredNoOrOverTheLimitSendsNothing) {
    ConnectedRig r;
    r.main.channel_box.set_text("20");
    r.dialogs.answers = {Answer::No};
    r.main.write_to_remote.click();
    EXPECT_EQ(r.serial.written, "");
    r.main.channel_box.set_text("200");
    r.main.write_to_remote.click();
    EXPECT_EQ(r.dialogs.messages().back(), kChannelLimit);
    EXPECT_EQ(r.serial.written, "");
}

}  // namespace
