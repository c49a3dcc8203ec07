// The RF channel: READ, WRITE with its limits, and the "Write to Remote" procedure.

#include "config/rf_channel.h"
#include "connected_rig.h"

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
        if (*c.message == '\0')
            EXPECT_TRUE(r.dialogs.shown.empty()) << c.text;
        else
            EXPECT_PRED2(orv::fake::one_holding, r.dialogs.messages(), c.message) << c.text;
    }
}

TEST(RfChannel, WriteToRemoteAsksThenRepeatsUntilTheLedStopsAndNoOrOverTheLimitSendsNothing) {
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
    const auto& shown = r.dialogs.shown;
    EXPECT_EQ((Texts{shown[0].title, shown[0].text, shown[1].text, shown[1].title}),
              (Texts{"Set Remote to Channel Set",
                     "ENSURE REMOTE IS IN CHANNEL SET MODE...\rby holding both Focus Buttons "
                     "down\runtil the LED flashes. (approx 10secs)\rPress Yes to continue",
                     "LED stopped flashing?", ""}));

    r.dialogs.during = nullptr;
    r.serial.written.clear();
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
