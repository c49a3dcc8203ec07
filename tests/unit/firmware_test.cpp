// The firmware window: the password, loading and confirming a file, and programming the box
// through its boot loader over the serial port and over TCP.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/rig.h"
#include "firmware/hex_image.h"

namespace {

using orv::fake::ConnectedRig;
using orv::firmware::kCompleted;
using Texts = std::vector<std::string>;

const std::string kFile = ":0400000001020304F2\r\n:00000001FF\r\n";  // 01 02 03 04 at 0

std::string image_bytes() {
    std::string image(28672, '\0');
    image[0] = 1;
    image[1] = 2;
    image[2] = 3;
    image[3] = 4;
    return image;
}

// A rig connected to a box, with the firmware window open and a file loaded and confirmed.
struct Firmware : ::testing::Test {
    ConnectedRig r{false, "1.20#"};
    orv::FirmwareWindow& w = r.program.firmware;

    void SetUp() override {
        r.files.files["/fw/box.hex"] = kFile;
        open_window();
        load("/fw/box.hex", {std::to_string(orv::firmware::confirmation_sum(kFile))});
        r.dialogs.shown.clear();
    }
    void open_window() {
        r.main.password_box.set_text("7reed4reed");
        r.main.firmware_upload.click();
    }
    void load(const std::string& path, std::vector<std::optional<std::string>> answers) {
        r.dialogs.files.push_back(path);
        for (auto& a : answers) r.dialogs.inputs.push_back(a);
        w.browse.click();
    }
    // BOOT UP answered "2#": PROGRAM usable.
    void boot() {
        w.boot_up.click();
        r.arrive("2#");
        r.serial.writes.clear();
        r.socket.sent.clear();
    }
};

TEST(FirmwareAccess, TheWrongPasswordKeepsTheWindowClosed) {
    ConnectedRig r;
    for (const char* wrong : {"", "7REED4REED", " 7reed4reed", "7reed4reed "}) {
        r.main.password_box.set_text(wrong);
        r.main.firmware_upload.click();
        EXPECT_FALSE(r.program.firmware.visible()) << wrong;
    }
    EXPECT_EQ(r.dialogs.messages().back(), "Invalid Password\r\nContact Brenwick for Access");
    r.main.password_box.set_text("7reed4reed");
    r.main.firmware_upload.click();
    EXPECT_TRUE(r.program.firmware.visible());
    EXPECT_EQ(r.program.firmware.file_box.text(), "Load *.hex file");
    EXPECT_FALSE(r.program.firmware.boot_up.enabled());
}

TEST_F(Firmware, LoadingTwiceListsTheLinesTwiceWithTheSameCode) {
    EXPECT_TRUE(w.boot_up.enabled());
    EXPECT_EQ(w.file_box.text(), "/fw/box.hex");
    const std::string code = std::to_string(orv::firmware::confirmation_sum(kFile));
    load("/fw/box.hex", {std::string(" ") + code, "0" + code, code});
    EXPECT_EQ(r.dialogs.messages(), (Texts{"Invalid Confirmation Code. Re-Load file or contact Orvantis",
                                           "Invalid Confirmation Code. Re-Load file or contact Orvantis"}));
    EXPECT_EQ(w.file_lines.items(), (Texts{":0400000001020304F2", ":00000001FF", "",
                                           ":0400000001020304F2", ":00000001FF", ""}));
    EXPECT_EQ(r.dialogs.last_input_at, (std::pair<int, int>{10, 10}));
}

TEST_F(Firmware, CancellingTheDialogOrAnUnreadableFileChangesNothing) {
    const auto items = w.file_lines.items();
    r.dialogs.files.push_back(std::nullopt);
    w.browse.click();
    r.dialogs.files.push_back(std::string("/no/such.hex"));
    w.browse.click();
    EXPECT_EQ(w.file_lines.items(), items);
    EXPECT_EQ(w.file_box.text(), "/fw/box.hex");
    EXPECT_EQ(r.dialogs.messages(), Texts{"The file /no/such.hex cannot be read: no such file."});
    EXPECT_TRUE(w.boot_up.enabled());
}

TEST_F(Firmware, TheDeveloperOptionShowsTheCodeBeforeThePrompt) {
    r.stored("orvantis", "dev", "1");
    std::string shown_at_prompt;
    r.dialogs.during = [&] { shown_at_prompt = w.reply_box.text(); };
    load("/fw/box.hex", {std::nullopt});
    EXPECT_EQ(shown_at_prompt, std::to_string(orv::firmware::confirmation_sum(kFile)));
}

TEST_F(Firmware, WithoutTheDeveloperOptionTheCodeIsNeverShown) {
    r.stored("orvantis", "dev", "0");
    std::string shown_at_prompt = "?";
    r.dialogs.during = [&] { shown_at_prompt = w.reply_box.text(); };
    load("/fw/box.hex", {std::nullopt});
    EXPECT_EQ(shown_at_prompt, "");
}

TEST(FirmwareWindow, OpensWithTheFileToBeChosenFirst) {
    orv::FirmwareWindow w;
    EXPECT_TRUE(w.file_box.read_only());
    EXPECT_TRUE(w.reply_box.read_only());
    EXPECT_EQ(w.reply_label.accessible_name(), "Boot loader reply");
    EXPECT_TRUE(w.browse.enabled());
    EXPECT_FALSE(w.boot_up.enabled());
    EXPECT_FALSE(w.program_button.enabled());
}

TEST_F(Firmware, BootLoaderRepliesSwitchProgram) {
    w.boot_up.click();
    EXPECT_EQ(r.serial.written, "ROB#");
    EXPECT_TRUE(r.main.state.bootmode);
    EXPECT_EQ(w.status_line.caption(), "Please Wait...");
    r.serial.arrive("2#");
    EXPECT_TRUE(w.program_button.enabled());
    EXPECT_EQ(w.status_line.caption(), "Ready..");
    EXPECT_EQ(w.reply_box.text(), "2#");
    r.serial.arrive("1#");
    EXPECT_FALSE(w.program_button.enabled());
    r.serial.arrive("x#");
    EXPECT_EQ(w.reply_box.text(), "x#");
    EXPECT_EQ(r.main.channel_box.text(), "#");  // not taken for a channel in boot mode
}

TEST_F(Firmware, ABootLoaderThatNeverAnswersIsReported) {
    w.boot_up.click();
    r.clock.advance(orv::firmware::kBootReplyTimeoutMs - 1);
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.clock.advance(1);
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("did not answer BOOT UP"), std::string::npos);
    EXPECT_FALSE(w.program_button.enabled());
    EXPECT_TRUE(w.boot_up.enabled());
    r.clock.advance(10000);
    EXPECT_EQ(r.dialogs.messages().size(), 1u);
    // A reply in time stops the wait.
    w.boot_up.click();
    r.serial.arrive("2#");
    r.clock.advance(10000);
    EXPECT_EQ(r.dialogs.messages().size(), 1u);
}

TEST_F(Firmware, ProgrammingOverSerialSendsAcknowledgedBlocksThenVerifies) {
    boot();
    w.program_button.click();
    EXPECT_FALSE(w.browse.enabled());
    EXPECT_FALSE(w.exit_button.enabled());
    EXPECT_EQ(w.status_line.caption(), "Programming");
    for (int k = 0; k < 224; ++k) {
        ASSERT_EQ(r.serial.writes.size(), static_cast<std::size_t>(k + 1));
        EXPECT_EQ(r.serial.writes[k].second, image_bytes().substr(128 * k, 128));
        EXPECT_LE(w.progress.value(), w.progress.maximum());
        r.serial.arrive("K");
    }
    EXPECT_EQ(r.serial.writes.back().second, "A");
    EXPECT_EQ(w.status_line.caption(), "Verifying");
    r.serial.arrive(image_bytes().substr(0, 10000));
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.serial.arrive(image_bytes().substr(10000));
    EXPECT_EQ(r.dialogs.messages(), Texts{kCompleted});
    EXPECT_EQ(w.status_line.caption(), "Done!");
    EXPECT_TRUE(w.browse.enabled());
    EXPECT_FALSE(w.boot_up.enabled());
    EXPECT_FALSE(w.program_button.enabled());
    EXPECT_TRUE(w.exit_button.enabled());
    EXPECT_EQ(r.main.connect_button.caption(), "CONNECT");  // the link is closed once
    EXPECT_EQ(r.program.transport.threshold(), 1);
    // None of it reached the reply receiver.
    EXPECT_EQ(w.reply_box.text(), "2#");
    EXPECT_EQ(r.main.state.instring, "");
}

TEST_F(Firmware, ProgrammingOverTcpClosesTheBootLoaderInsteadOfVerifying) {
    ConnectedRig t(true, "1.20#");
    t.files.files["/fw/box.hex"] = kFile;
    t.main.password_box.set_text("7reed4reed");
    t.main.firmware_upload.click();
    t.dialogs.files.push_back(std::string("/fw/box.hex"));
    t.dialogs.inputs.push_back(std::to_string(orv::firmware::confirmation_sum(kFile)));
    auto& tw = t.program.firmware;
    tw.browse.click();
    tw.boot_up.click();
    t.socket.arrive("2#");
    t.socket.sent.clear();
    tw.program_button.click();
    for (int k = 0; k < 224; ++k) {
        ASSERT_EQ(t.socket.sent.size(), 128u * (k + 1));
        t.socket.arrive(k == 100 ? "2#" : "\x06");  // an ack that looks like a reply changes nothing
        EXPECT_FALSE(tw.program_button.enabled());
    }
    EXPECT_EQ(t.socket.sent.substr(28672), "AAAAAAAA");
    EXPECT_EQ(t.dialogs.messages(), Texts{kCompleted});
    EXPECT_EQ(t.main.connect_button.caption(), "CONNECT");
    EXPECT_EQ(t.serial.written, "");
}

TEST_F(Firmware, AFileThatCannotBeProgrammedIsRefusedWhenItIsLoaded) {
    struct Case {
        const char* text;
        const char* problem;
    };
    for (const Case& c : {Case{":0400000001020304F2\r\nhello\r\n:00000001FF\r\n", "line 2"},
                          Case{"", "no data record"},
                          Case{":00000001FF\r\n", "no data record"},
                          Case{":0400000001020304F3\r\n", "line 1 has a wrong checksum"}}) {
        r.files.files["/fw/bad.hex"] = c.text;
        r.dialogs.shown.clear();
        load("/fw/bad.hex", {"0"});
        ASSERT_EQ(r.dialogs.shown.size(), 2u) << c.text;  // the file dialog and the refusal
        EXPECT_EQ(r.dialogs.shown[1].kind, "message");
        EXPECT_NE(r.dialogs.shown[1].text.find(c.problem), std::string::npos) << r.dialogs.shown[1].text;
        // The confirmed file stays loaded and usable.
        EXPECT_EQ(w.file_box.text(), "/fw/box.hex");
        EXPECT_TRUE(w.boot_up.enabled());
        r.dialogs.inputs.clear();
    }
}

TEST_F(Firmware, BootUpAndProgramBelongToTheConfirmedFileOnly) {
    boot();
    EXPECT_TRUE(w.program_button.enabled());
    // A second file whose confirmation is abandoned takes both away.
    r.files.files["/fw/other.hex"] = ":0100000055AA\r\n:00000001FF\r\n";
    load("/fw/other.hex", {std::nullopt});
    EXPECT_FALSE(w.boot_up.enabled());
    EXPECT_FALSE(w.program_button.enabled());

    // Confirmed, booted, then changed on disk before PROGRAM: refused, nothing sent.
    load("/fw/box.hex", {std::to_string(orv::firmware::confirmation_sum(kFile))});
    boot();
    r.files.files["/fw/box.hex"] = ":0400000001020304F2\r\n:0100040055A6\r\n:00000001FF\r\n";
    r.dialogs.shown.clear();
    w.program_button.click();
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("changed since its code was confirmed"), std::string::npos);
    EXPECT_TRUE(r.serial.writes.empty());
}

TEST_F(Firmware, BootUpIsOfferedOnlyOnALinkToTheBox) {
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(w.boot_up.enabled());
    r.serial.writes.clear();
    w.boot_up.set_enabled(true);  // were it pressed all the same
    w.boot_up.click();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::link::kNotConnected});
    EXPECT_FALSE(r.main.state.bootmode);
    EXPECT_TRUE(r.serial.writes.empty());
    EXPECT_TRUE(r.main.send_button.enabled());
    r.clock.advance(orv::firmware::kBootReplyTimeoutMs * 2);
    EXPECT_EQ(r.dialogs.messages().size(), 1u);  // no "did not answer BOOT UP"

    // The next session has SEND and takes replies as replies.
    r.dialogs.shown.clear();
    r.main.connect_button.click();
    EXPECT_FALSE(w.boot_up.enabled());  // not before the box is identified
    r.serial.arrive("1.20#");
    EXPECT_TRUE(w.boot_up.enabled());
    EXPECT_TRUE(r.main.send_button.enabled());
    EXPECT_EQ(r.main.identity_box.text(), "1.20#");
    EXPECT_TRUE(r.main.read_settings.enabled());
    r.clock.advance(orv::firmware::kBootReplyTimeoutMs * 2);
    EXPECT_EQ(r.dialogs.messages(), Texts{"Orvantis found on COM3"});
}

TEST_F(Firmware, NothingElseReachesTheBootLoader) {
    boot();
    for (auto* b : {&r.main.write_settings, &r.main.read_settings, &r.main.send_button})
        EXPECT_FALSE(b->enabled()) << b->name();
    r.program.settings_write.start();  // were they started all the same
    r.program.settings_read.start();
    ASSERT_EQ(r.dialogs.messages().size(), 2u);
    EXPECT_NE(r.dialogs.messages()[0].find(
                  "Write Settings cannot run while the Orvantis is in its boot loader"),
              std::string::npos);
    EXPECT_NE(r.dialogs.messages()[1].find(
                  "Read Settings cannot run while the Orvantis is in its boot loader"),
              std::string::npos);
    EXPECT_TRUE(r.serial.writes.empty());
    EXPECT_FALSE(r.program.settings_write.running());
}

TEST_F(Firmware, AnAnswerToBootUpAfterTheWindowClosedDoesNotFillItsNextOpening) {
    w.boot_up.click();
    w.exit_button.click();
    r.arrive("2#");
    r.clock.advance(orv::firmware::kBootReplyTimeoutMs * 2);
    EXPECT_TRUE(r.dialogs.messages().empty());  // no time-out message for a closed window
    open_window();
    EXPECT_FALSE(w.program_button.enabled());
    EXPECT_NE(w.status_line.caption(), "Ready..");
    EXPECT_EQ(w.reply_box.text(), "");
}

TEST_F(Firmware, ASilentBoxStopsTheRunAtItsBlockAndGivesTheButtonsBack) {
    for (int silent_at : {100, 0}) {
        boot();  // the second time on the link left open to the boot loader
        r.dialogs.shown.clear();
        w.program_button.click();
        for (int k = 0; k < silent_at; ++k) r.serial.arrive("K");
        r.clock.advance(orv::firmware::kBlockAckTimeoutMs);
        ASSERT_EQ(r.dialogs.messages().size(), 1u);
        EXPECT_NE(r.dialogs.messages()[0].find("block " + std::to_string(silent_at) + " of 224"),
                  std::string::npos);
        EXPECT_NE(r.dialogs.messages()[0].find(silent_at ? "(address 0x3200)" : "(address 0x0000)"),
                  std::string::npos)
            << r.dialogs.messages()[0];
        EXPECT_NE(r.dialogs.messages()[0].find("still in its boot loader"), std::string::npos);
        EXPECT_TRUE(w.browse.enabled());
        EXPECT_TRUE(w.boot_up.enabled());
        EXPECT_TRUE(w.exit_button.enabled());
        EXPECT_EQ(r.main.connect_button.caption(), "DISCONNECT");
        EXPECT_EQ(r.serial.writes.size(), static_cast<std::size_t>(silent_at + 1));
    }
}

TEST_F(Firmware, ALostLinkOrAShortReadBackIsNotASuccess) {
    boot();
    w.program_button.click();
    for (int k = 0; k < 50; ++k) r.serial.arrive("K");
    r.serial.lose("the device was removed");
    Texts messages = r.dialogs.messages();
    // The run says where it stopped; the link says why.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("lost at block 50 of 224"), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("COM3 was lost"), std::string::npos) << messages[1];
    EXPECT_FALSE(r.program.programmer.running());

    r.dialogs.shown.clear();
    r.main.connect_button.click();
    r.serial.arrive("1.20#");
    boot();
    r.dialogs.shown.clear();
    w.program_button.click();
    for (int k = 0; k < 224; ++k) r.serial.arrive("K");
    r.serial.arrive(image_bytes().substr(0, 20000));
    r.clock.advance(orv::firmware::kBlockAckTimeoutMs);  // nothing more comes
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("20000 of 28672"), std::string::npos);
}

TEST_F(Firmware, ABadFileIsRefusedBeforeAnythingIsSent) {
    r.files.files["/fw/box.hex"] = ":0400000001020304F3\r\n";  // wrong checksum
    boot();
    w.program_button.click();
    EXPECT_TRUE(r.serial.writes.empty());
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("line 1 has a wrong checksum"), std::string::npos);
    EXPECT_TRUE(w.program_button.enabled());
    EXPECT_EQ(r.main.connect_button.caption(), "DISCONNECT");
}

}  // namespace

namespace {

TEST_F(Firmware, BootUpWaitsForAWriteSettingsToFinish) {
    for (auto& box : r.main.time_boxes) box.set_text("10");
    r.main.write_settings.click();
    ASSERT_TRUE(r.program.settings_write.running());
    r.serial.writes.clear();
    w.boot_up.click();
    EXPECT_TRUE(r.serial.writes.empty());
    EXPECT_FALSE(r.main.state.bootmode);
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("Write Settings has finished"), std::string::npos);
    for (int guard = 0; guard < 20 && r.program.settings_write.running(); ++guard) r.arrive("#");
    r.serial.writes.clear();
    w.boot_up.click();
    ASSERT_EQ(r.serial.writes.size(), 1u);
    EXPECT_EQ(r.serial.writes[0].second, "ROB#");
}

TEST_F(Firmware, BootUpWaitsForRunsToBeStoppedThenNothingElseCanBeSent) {
    r.main.setpoint_box[0].set_text("6000");
    r.main.goto_setpoint[0].click();  // a focus GOTO under way
    r.clock.advance(50);
    r.serial.writes.clear();
    w.boot_up.click();
    // Refused, naming the run to stop; the run goes on.
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_NE(r.dialogs.messages()[0].find("Focus GOTO"), std::string::npos);
    EXPECT_TRUE(r.serial.writes.empty());
    EXPECT_TRUE(r.program.focus_timer->active());
    EXPECT_FALSE(r.main.state.bootmode);
    r.main.focus_up.press();
    r.main.focus_up.release();  // the user stops it
    r.main.shutter_on.click();  // and opens the shutter by hand
    r.serial.writes.clear();
    w.boot_up.click();
    // An open shutter is closed before the box becomes a boot loader.
    ASSERT_EQ(r.serial.writes.size(), 2u);
    EXPECT_EQ(r.serial.writes[0].second, "#XP0#");
    EXPECT_EQ(r.serial.writes[1].second, "ROB#");
    for (auto* b : {&r.main.slew_up, &r.main.focus_up, &r.main.read_settings, &r.main.shutter_on,
                    &r.main.send_button, &r.main.goto_setpoint[0]})
        EXPECT_FALSE(b->enabled()) << b->name();
    r.main.send_button.click();  // SEND: nothing may go into the block stream
    EXPECT_EQ(r.serial.writes.size(), 2u);
    EXPECT_TRUE(r.main.connect_button.enabled());
    // Once the link closes, SEND is usable again; the rest waits for the next box.
    r.main.connect_button.click();
    EXPECT_TRUE(r.main.send_button.enabled());
    EXPECT_FALSE(r.main.read_settings.enabled());
    r.main.connect_button.click();
    r.serial.arrive("1.20#");
    EXPECT_TRUE(r.main.read_settings.enabled());
}

}  // namespace
