// The firmware window: the password, loading and confirming a file, and programming the box
// through its boot loader over the serial port and over TCP.

#include "connected_rig.h"

namespace {

using namespace orv::fake;
using orv::firmware::kBlockAckTimeoutMs;
using orv::firmware::kBootReplyTimeoutMs;
using orv::firmware::kCompleted;

const std::string kFile = ":0400000001020304F2\r\n:00000001FF\r\n";  // 01 02 03 04 at 0
const std::string kCode = std::to_string(orv::firmware::confirmation_sum(kFile));
const std::string kImage = std::string("\x01\x02\x03\x04", 4) + std::string(28668, '\0');

// A rig connected to a box, with the firmware window open and a file loaded and confirmed.
struct Firmware : ::testing::Test {
    Connected r;
    orv::FirmwareWindow& w = r.program.firmware;

    void SetUp() override {
        r.load_firmware(kFile);
        r.dialogs.shown.clear();
    }
    void load(const std::optional<std::string>& path,
              std::vector<std::optional<std::string>> codes) {
        r.dialogs.files.push_back(path);
        for (auto& a : codes) r.dialogs.inputs.push_back(a);
        w.browse.click();
    }
    // BOOT UP answered "2#": PROGRAM usable.
    void boot() {
        w.boot_up.click();
        r.arrive("2#");
        r.serial.writes.clear();
        r.socket.sent.clear();
    }
    // PROGRAM pressed and the first `blocks` blocks acknowledged.
    void program(int blocks) {
        w.program_button.click();
        for (int k = 0; k < blocks; ++k) r.serial.arrive("K");
    }
    // The window's buttons (Browse, BOOT UP, PROGRAM, EXIT), its status line, its progress bar
    // and the receive threshold, e.g. "on on off on | Ready.. | 0/28671 | 1", with " boot" while
    // the link is the boot loader's and " closed" once CONNECT is offered again.
    std::string look() {
        return enabled(w.browse, w.boot_up, w.program_button, w.exit_button) + " | " +
               w.status_line.caption() + " | " + std::to_string(w.progress.value()) + "/" +
               std::to_string(w.progress.maximum()) + " | " +
               std::to_string(r.program.transport.threshold()) +
               (r.main.state.link == orv::LinkState::BootLoader ? " boot" : "") +
               (r.main.connect_button.caption() == "CONNECT" ? " closed" : "");
    }
    // The rest of the window in front of that: captions, texts, what is read-only.
    std::string window() {
        std::string out = w.file_label.caption() + "|" + w.file_box.text() + "|" +
                          w.reply_label.caption() + "|" + w.reply_label.accessible_name() + "|" +
                          w.reply_box.text() + "|" + w.status_line.description() + "|" +
                          std::to_string(w.file_lines.items().size()) + " lines|" +
                          (w.file_box.read_only() && w.reply_box.read_only() ? "read-only|" : "|");
        for (auto* b : {&w.browse, &w.boot_up, &w.program_button, &w.exit_button})
            out += b->caption() + " ";
        return out + look();
    }
};

// Only the password opens it; closing it (EXIT, or the program) puts every part back as the
// window first was; the close control waits while a run has EXIT switched off.
TEST_F(Firmware, OnlyThePasswordOpensItAndEveryOpeningStartsTheSame) {
    // Every part changed, the file loaded; closed as the program closes it.
    w.reply_box.set_text("2#");
    w.progress.set_value(500);
    w.status_line.set_caption("Done!");
    for (auto* b : {&w.browse, &w.boot_up, &w.program_button, &w.exit_button})
        b->set_enabled(!b->enabled());
    w.close();
    r.main.firmware_upload.click();
    EXPECT_EQ(
        window(),
        "HEX file|Load *.hex file|Boot loader reply|Boot loader reply||What the update is "
        "doing|0 lines|read-only|Browse.. BOOT UP PROGRAM EXIT on off off on |  | 0/28671 | 1");
    // The confirmed file went with the closing: connecting again does not offer BOOT UP.
    r.main.connect_button.click();
    r.reconnect();
    EXPECT_EQ(enabled(w.boot_up), "off");
    w.exit_button.click();
    EXPECT_FALSE(w.visible());
    for (const char* wrong : {"", "7REED4REED", " 7reed4reed", "7reed4reed "}) {
        r.main.password_box.set_text(wrong);
        r.main.firmware_upload.click();
        EXPECT_FALSE(w.visible()) << wrong;
    }
    EXPECT_EQ(r.dialogs.messages().back(), "Invalid Password\r\nContact Brenwick for Access");
    r.main.password_box.set_text("7reed4reed");
    r.main.firmware_upload.click();
    w.exit_button.set_enabled(false);  // as during a run
    w.close_control();
    EXPECT_TRUE(w.visible());
}

TEST_F(Firmware, LoadingListsTheLinesAndAsksForTheCodeUntilItIsRight) {
    load("/fw/box.hex", {" " + kCode, "0" + kCode, kCode});
    const std::string wrong = "Invalid Confirmation Code. Re-Load file or contact Orvantis";
    EXPECT_EQ(r.said(), (Texts{wrong, wrong}));
    EXPECT_EQ(w.file_lines.items(), (Texts{":0400000001020304F2", ":00000001FF", "",
                                           ":0400000001020304F2", ":00000001FF", ""}));
    EXPECT_EQ(r.dialogs.last_input_at, (std::pair<int, int>{10, 10}));
    // Cancelled, a file that cannot be read, or one that cannot be programmed: refused at once,
    // no code asked, and the file loaded before stays.
    r.files.files["/fw/bad.hex"] = ":0400000001020304F2\r\nhello\r\n:00000001FF\r\n";
    r.files.files["/fw/empty.hex"] = ":00000001FF\r\n";
    for (const auto& [path, problem] : {std::pair{std::optional<std::string>{}, ""},
                                        {"/no/such.hex", "/no/such.hex cannot be read: no such"},
                                        {"/fw/bad.hex", "line 2"},
                                        {"/fw/empty.hex", "no data record"}}) {
        load(path, {"0"});
        r.dialogs.inputs.clear();
        // The file dialog and the refusal, if any: no code asked.
        EXPECT_EQ(r.dialogs.shown.size(), path ? 2u : 1u);
        EXPECT_PRED2(holds, joined(r.dialogs.messages()), problem);
        EXPECT_EQ(w.file_box.text() + " " + enabled(w.boot_up), "/fw/box.hex on");
        EXPECT_EQ(w.file_lines.items().size(), 6u);
        r.dialogs.shown.clear();
    }
}

TEST_F(Firmware, TheCodeIsShownBeforeThePromptOnlyWithTheDeveloperOption) {
    std::string shown_at_prompt;
    r.dialogs.during = [&] { shown_at_prompt = w.reply_box.text(); };
    for (const std::string dev : {"0", "1"}) {
        r.stored("orvantis", "dev", dev);
        load("/fw/box.hex", {std::nullopt});
        EXPECT_EQ(shown_at_prompt, dev == "1" ? kCode : "") << dev;
    }
}

// A file whose code is not entered takes BOOT UP and PROGRAM away, also from the next link; one
// changed on disk after it was confirmed is refused at PROGRAM.
TEST_F(Firmware, BootUpAndProgramBelongToTheConfirmedFileOnly) {
    boot();
    r.files.files["/fw/other.hex"] = ":0100000055AA\r\n:00000001FF\r\n";
    load("/fw/other.hex", {std::nullopt});
    EXPECT_EQ(enabled(w.boot_up, w.program_button), "off off");
    r.main.connect_button.click();  // DISCONNECT, and CONNECT again: still not offered
    r.reconnect();
    EXPECT_EQ(enabled(w.boot_up, w.program_button), "off off");

    // Confirmed, booted, then changed on disk before PROGRAM (its length and confirmation code
    // kept, or spoilt as HEX): refused, nothing sent, the buttons back.
    load("/fw/box.hex", {kCode});
    for (const auto& [changed, problem] :
         {std::pair{":0400000001020305F1\r\n:00000001FF\r\n",
                    "changed since its code was confirmed"},
          {":0400000001020304F3\r\n", "line 1 has a wrong checksum"}}) {
        boot();
        r.files.files["/fw/box.hex"] = changed;
        r.dialogs.shown.clear();
        w.program_button.click();
        EXPECT_PRED2(one_holding, r.dialogs.messages(), problem);
        EXPECT_TRUE(r.serial.writes.empty());
        EXPECT_EQ(look(), "on on on on | Not programmed | 0/28671 | 1 boot");
    }
}

// BOOT UP sends "ROB#" and waits three seconds for the boot loader; a reply "2#" in time offers
// PROGRAM, "1#" takes it away, and every reply is shown, none taken for a channel. A reply after
// the window closed fills nothing and no time-out is told for a closed window.
TEST_F(Firmware, BootUpWaitsForTheBootLoaderWhoseRepliesSwitchProgram) {
    w.boot_up.click();
    EXPECT_EQ(r.serial.written, "ROB#");
    EXPECT_EQ(look(), "on on off on | Please Wait... | 0/28671 | 1 boot");
    r.clock.advance(kBootReplyTimeoutMs - 1);
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.clock.advance(1);
    EXPECT_PRED2(one_holding, r.said(), "did not answer BOOT UP");
    EXPECT_EQ(look(), "on on off on | No answer from the boot loader | 0/28671 | 1 boot");
    r.clock.advance(10000);
    w.boot_up.click();
    r.serial.arrive("2#");
    EXPECT_EQ(look() + " " + w.reply_box.text(), "on on on on | Ready.. | 0/28671 | 1 boot 2#");
    w.boot_up.click();  // again: PROGRAM waits for the next reply
    EXPECT_EQ(look(), "on on off on | Please Wait... | 0/28671 | 1 boot");
    r.serial.arrive("2#");
    r.serial.arrive("1#");
    EXPECT_FALSE(w.program_button.enabled());
    r.serial.arrive("x#");
    EXPECT_EQ(w.reply_box.text() + " " + r.main.channel_box.text(), "x# #");
    r.clock.advance(10000);  // the replies in time stopped the wait
    EXPECT_TRUE(r.said().empty());

    w.boot_up.click();
    w.exit_button.click();
    r.arrive("2#");
    r.clock.advance(kBootReplyTimeoutMs * 2);
    EXPECT_TRUE(r.dialogs.messages().empty());
    r.main.firmware_upload.click();
    EXPECT_EQ(look() + w.reply_box.text(), "on off off on |  | 0/28671 | 1 boot");
}

TEST_F(Firmware, ProgrammingOverSerialSendsAcknowledgedBlocksThenVerifies) {
    boot();
    w.progress.set_range(0, 10);  // left as an earlier run may leave it
    w.progress.set_value(9);
    w.program_button.click();
    EXPECT_EQ(look(), "off off off off | Programming | 128/28671 | 30000 boot");
    for (int k = 0; k < 224; ++k) {
        ASSERT_EQ(r.serial.writes.size(), static_cast<std::size_t>(k + 1));
        EXPECT_EQ(r.serial.writes[k].second, kImage.substr(128 * k, 128));
        EXPECT_LE(w.progress.value(), w.progress.maximum());
        r.serial.arrive("K");
    }
    EXPECT_EQ(r.serial.writes.back().second, "A");
    EXPECT_EQ(look(), "off off off off | Verifying | 200/28671 | 30000 boot");
    r.serial.arrive(kImage.substr(0, 200));  // the bar moves once more is read than it shows
    EXPECT_EQ(w.progress.value(), 200);
    r.serial.arrive(kImage.substr(200, 9800));
    EXPECT_TRUE(r.dialogs.shown.empty());
    r.serial.arrive(kImage.substr(10000));
    r.clock.advance(kBootReplyTimeoutMs);  // and nothing is timed after it
    EXPECT_EQ(r.dialogs.messages(), Texts{kCompleted});
    EXPECT_EQ(look(), "on off off on | Done! | 10200/28671 | 1 closed");
    // None of it reached the reply receiver.
    EXPECT_EQ(w.reply_box.text() + r.main.state.instring, "2#");
}

TEST_F(Firmware, ProgrammingOverTcpClosesTheBootLoaderInsteadOfVerifying) {
    ConnectedRig t(true, "1.20#");
    t.load_firmware(kFile);
    auto& tw = t.program.firmware;
    tw.boot_up.click();
    t.socket.arrive("2#");
    t.socket.sent.clear();
    tw.program_button.click();
    for (int k = 0; k < 224; ++k) {
        ASSERT_EQ(t.socket.sent.size(), 128u * (k + 1));
        t.socket.arrive(k == 100 ? "2#"
                                 : "\x06");  // an ack that looks like a reply changes nothing
        EXPECT_FALSE(tw.program_button.enabled());
    }
    EXPECT_EQ(t.socket.sent.substr(28672), "AAAAAAAA");
    EXPECT_EQ(t.dialogs.messages(), Texts{kCompleted});
    EXPECT_EQ(t.main.connect_button.caption() + t.serial.written, "CONNECT");
}

// Pressed without a link (were it offered all the same) BOOT UP says so and changes nothing:
// no boot mode, no lock, no time-out; the next link offers it once the box is identified.
TEST_F(Firmware, BootUpIsOfferedOnlyOnALinkToTheBox) {
    r.main.connect_button.click();  // DISCONNECT
    EXPECT_FALSE(w.boot_up.enabled());
    r.serial.writes.clear();
    w.boot_up.set_enabled(true);
    w.boot_up.click();
    EXPECT_EQ(r.said(), Texts{orv::link::kNotConnected});
    EXPECT_TRUE(r.serial.writes.empty());
    EXPECT_TRUE(r.main.send_button.enabled());
    r.clock.advance(kBootReplyTimeoutMs * 2);
    EXPECT_TRUE(r.said().empty());  // no "did not answer BOOT UP"
    r.main.connect_button.click();
    EXPECT_FALSE(w.boot_up.enabled());  // not before the box is identified
    r.serial.arrive("1.20#");
    EXPECT_EQ(enabled(w.boot_up, r.main.send_button, r.main.read_settings), "on on on");
}

TEST_F(Firmware, ASilentBoxStopsTheRunAtItsBlockAndGivesTheButtonsBack) {
    for (int silent_at : {100, 0}) {
        boot();  // the second time on the link left open to the boot loader
        program(silent_at);
        r.serial.waiting += "KK";  // late, and not yet announced: the next run must not see them
        r.clock.advance(kBlockAckTimeoutMs);
        const Texts said = r.said();
        ASSERT_EQ(said.size(), 1u);
        for (const std::string& part :
             Texts{"block " + std::to_string(silent_at) + " of 224",
                   silent_at ? "(address 0x3200)" : "(address 0x0000)", "still in its boot loader"})
            EXPECT_PRED2(holds, said[0], part);
        // PROGRAM waits for the next BOOT UP.
        EXPECT_EQ(look(), "on on off on | Not programmed | " +
                              std::to_string(128 * silent_at + 128) + "/28671 | 1 boot");
        EXPECT_EQ(r.serial.writes.size(), static_cast<std::size_t>(silent_at + 1));
        r.clock.advance(kBootReplyTimeoutMs);  // nothing is timed once the run is over
        EXPECT_TRUE(r.said().empty());
    }
}

TEST_F(Firmware, ALostLinkOrAShortReadBackIsNotASuccess) {
    boot();
    program(50);
    r.serial.lose("the device was removed");
    // The run says where it stopped; the link says why.
    EXPECT_PRED2(messages_hold, r.said(), (Texts{"lost at block 50 of 224", "COM3 was lost"}));
    EXPECT_FALSE(r.program.programmer.running());

    r.reconnect();
    r.dialogs.shown.clear();
    boot();
    program(224);
    r.serial.arrive(kImage.substr(0, 20000));
    r.serial.waiting += kImage.substr(20000, 5);  // in the port, not yet announced
    r.clock.advance(kBlockAckTimeoutMs);          // nothing more comes
    EXPECT_PRED2(one_holding, r.said(), "20005 of 28672");
}

TEST_F(Firmware, AReadBackThatDiffersNamesTheAddressesAndLeavesTheBootLoaderOpen) {
    boot();
    program(224);
    std::string back = kImage;
    back[2] = '\x7f';
    back[9000] = '\x01';
    r.serial.arrive(back);
    EXPECT_PRED2(messages_hold, r.said(),
                 (Texts{"Verify Error - Address: 2", "Verify Error - Address: 9000",
                        "2 of 28672 bytes read back from the Orvantis differ"}));
    EXPECT_EQ(look(), "on on off on | Verify failed - not programmed | 200/28671 | 1 boot");
}

// BOOT UP is refused while another run has the link; once it may go, an open shutter is closed
// first and nothing else (SEND, Write or Read Settings) can be sent until the link closes.
TEST_F(Firmware, BootUpWaitsForOtherRunsThenNothingElseCanBeSent) {
    auto& m = r.main;
    for (auto& box : m.time_boxes) box.set_text("10");
    m.write_settings.click();
    w.boot_up.click();
    EXPECT_PRED2(one_holding, r.said(), "Write Settings has finished");
    for (int guard = 0; guard < 20 && r.program.settings_write.running(); ++guard) r.arrive("#");
    r.goto_focus("6000");  // a focus GOTO under way
    r.clock.advance(50);
    r.commands();
    w.boot_up.click();
    // Refused, naming the run to stop; the run goes on.
    EXPECT_PRED2(one_holding, r.said(), "Focus GOTO");
    EXPECT_EQ(r.commands(), Texts{});
    EXPECT_TRUE(r.program.focus_timer->active());
    m.focus_up.press();
    m.focus_up.release();  // the user stops it
    m.shutter_on.click();  // and opens the shutter by hand
    r.commands();
    w.boot_up.click();
    m.send_button.click();  // SEND: nothing may go into the block stream
    EXPECT_EQ(enabled(m.slew_up, m.focus_up, m.read_settings, m.write_settings, m.shutter_on,
                      m.send_button, m.goto_setpoint[0], m.connect_button),
              "off off off off off off off on");
    r.program.settings_write.start();  // were they started all the same
    r.program.settings_read.start();
    EXPECT_PRED2(messages_hold, r.said(),
                 (Texts{"Write Settings cannot run while the Orvantis is in its boot loader",
                        "Read Settings cannot run while the Orvantis is in its boot loader"}));
    EXPECT_EQ(r.sent_line(), "#XP0# ROB#");
    // Once the link closes, SEND is usable again; the rest waits for the next box.
    m.connect_button.click();
    EXPECT_EQ(enabled(m.send_button, m.read_settings), "on off");
    r.reconnect();
    EXPECT_TRUE(m.read_settings.enabled());
}

}  // namespace
