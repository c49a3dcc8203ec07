// The RF channel: READ, WRITE with its limits, and the "Write to Remote" procedure.

#include "config/rf_channel.h"
#include "connected_rig.h"

namespace {

using orv::config::kChannelLimit;
using orv::fake::ConnectedRig;
using orv::platform::Answer;

TEST(RfChannel, WriteSendsTheRawByteOrRefusesWithAMessage) {
    using namespace std::string_literals;
    // The box, the bytes sent and the message shown ("" for none).
    for (const auto& [text, sent, message] :
         {std::tuple{"127", "#sCh\x7f#"s, ""},
          {"35", "#sCh##"s, ""},
          {" 0 ", "#sCh\x00#"s, ""},
          {"12.5", "#sCh\x0c#"s, ""},
          {"128", ""s, kChannelLimit},
          {"127.6", ""s, kChannelLimit},
          {"-1", ""s, "Channel -1 is below 0: the RF channel is a number from 0 to 127."},
          {"-0.6", ""s, "Channel -0.6 is below 0: the RF channel is a number from 0 to 127."}}) {
        ConnectedRig r;
        r.main.channel_box.set_text(text);
        r.main.write_channel.click();
        EXPECT_EQ(r.serial.written, sent) << text;
        EXPECT_EQ(orv::fake::joined(r.dialogs.messages()), message) << text;
    }
}

TEST(RfChannel, WriteToRemoteAsksThenRepeatsUntilTheLedStopsAndNoOrOverTheLimitSendsNothing) {
    ConnectedRig r;
    r.main.channel_box.set_text("20");
    r.dialogs.answers = {Answer::Yes, Answer::No, Answer::No};
    // While the second question is open the user corrects the box, while the third one spoils it.
    int questions = 0;
    r.dialogs.during = [&] {
        if (++questions == 2) r.main.channel_box.set_text("21");
        if (questions == 3) r.main.channel_box.set_text("abc");
    };
    r.main.write_to_remote.click();
    EXPECT_EQ(r.serial.written, "#rCh\x14##rCh\x15#");
    ASSERT_EQ(r.dialogs.shown.size(), 4u);
    const auto& shown = r.dialogs.shown;
    EXPECT_EQ((Texts{shown[0].title, shown[0].text, shown[1].text, shown[1].title, shown[3].text}),
              (Texts{"Set Remote to Channel Set",
                     "ENSURE REMOTE IS IN CHANNEL SET MODE...\rby holding both Focus Buttons "
                     "down\runtil the LED flashes. (approx 10secs)\rPress Yes to continue",
                     "LED stopped flashing?", "",
                     "The RF Channel box must hold a channel number from 0 to 127."}));

    r.dialogs.during = nullptr;
    r.serial.written.clear();
    r.main.channel_box.set_text("20");
    r.dialogs.answers = {Answer::No};
    r.main.write_to_remote.click();
    r.main.channel_box.set_text("200");
    r.main.write_to_remote.click();
    EXPECT_EQ(r.dialogs.messages().back(), kChannelLimit);
    r.main.read_channel.click();  // READ only asks
    EXPECT_EQ(r.serial.written, "#gCh#");
}

}  // namespace
