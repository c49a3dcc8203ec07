#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/rig.h"

namespace {

using Items = std::vector<std::string>;
using orv::fake::Rig;

TEST(StartUp, FromAnEmptyStore) {
    Rig r;
    r.ports.ports = {{2, "/dev/ttyUSB0"}, {5, "/dev/pts/7"}};
    r.ports.descriptions = {{2, "/dev/ttyUSB0\nUSB 0403:6001, FTDI"}};
    r.program.start();
    EXPECT_TRUE(r.main.visible());
    EXPECT_FALSE(r.settings.visible());  // created hidden
    EXPECT_EQ(r.main.port_list.items(), (Items{"COM2", "COM5", "Search COM", "TCP Port"}));
    EXPECT_EQ(r.main.port_list.description(0), "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    EXPECT_EQ(r.main.port_list.description(1), "/dev/pts/7");
    EXPECT_EQ(r.main.port_list.description(2), "");
    EXPECT_EQ(r.main.port_list.text(), "");
    EXPECT_EQ(r.settings.baud_box.text(), "");
    EXPECT_EQ(r.settings.ip_address.text(), "");
    EXPECT_EQ(r.settings.ip_port.text(), "");
    EXPECT_TRUE(r.settings.ip_address.items().empty());
    EXPECT_EQ(r.main.exposure_secs.text(), "");
    EXPECT_EQ(r.main.exposure_gap.text(), "");
    EXPECT_EQ(r.main.exposure_count.text(), "");
    EXPECT_EQ(r.main.focus_position.text(), "5000");
    EXPECT_EQ(r.main.setpoint_box[0].text(), "");
    EXPECT_EQ(r.main.setpoint_box[1].text(), "");
    EXPECT_EQ(r.main.increment_box.text(), "50");
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_EQ(r.sound.log, (Items{"file c:\\windows\\mzm.wav", "open"}));
    EXPECT_TRUE(r.dialogs.shown.empty());
    EXPECT_TRUE(r.serial.written.empty());
    EXPECT_FALSE(r.main.read_settings.enabled());
}

TEST(StartUp, FromStoredValues) {
    Rig r;
    r.ports.ports = {{1, "/dev/ttyS0"}};
    r.stored("Orvantis", "CommPort", "COM7");  // no longer present: still shown
    r.stored("Orvantis", "CommBaud", "57600");
    r.stored("Orvantis", "ShutterTime", "0120");
    r.stored("Orvantis", "ShutterGap", " 15");
    r.stored("Orvantis", "ShutterCount", "3");
    r.stored("orvantis", "focus", "abc");      // letters are kept
    r.stored("orvantis", "focussp1", "750");
    r.stored("orvantis", "focussp2", "");
    r.stored("orvantis", "focusinc", "xyz");   // letters become 50
    r.stored("orvantis", "IPaddr", "10.1.1.1");
    r.stored("orvantis", "IPport", "4001");
    r.stored("orvantis", "IPaddr0", "10.0.0.1");
    r.stored("orvantis", "IPaddr2", "10.0.0.3");  // a gap at 1
    r.stored("orvantis", "IPport9", "23");
    r.program.start();

    EXPECT_EQ(r.main.port_list.text(), "COM7");
    EXPECT_FALSE(r.main.port_list.contains("COM7"));
    EXPECT_EQ(r.settings.baud_box.text(), "57600");
    EXPECT_EQ(r.main.exposure_secs.text(), "0120");
    EXPECT_EQ(r.main.exposure_gap.text(), " 15");
    EXPECT_EQ(r.main.exposure_count.text(), "3");
    EXPECT_EQ(r.main.focus_position.text(), "abc");
    EXPECT_EQ(r.main.setpoint_box[0].text(), "750");
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 750);
    EXPECT_EQ(r.main.setpoint_box[1].text(), "");
    EXPECT_EQ(r.main.setpoint_spinner[1].value(), 0);
    EXPECT_EQ(r.main.increment_box.text(), "50");
    EXPECT_EQ(r.settings.ip_address.text(), "10.1.1.1");
    EXPECT_EQ(r.settings.ip_port.text(), "4001");
    EXPECT_EQ(r.settings.ip_address.items(), (Items{"10.0.0.1", "10.0.0.3"}));
    EXPECT_EQ(r.settings.ip_port.items(), (Items{"23"}));

    // After the next shutdown the history has no gap and the rest is cleared.
    r.program.exit();
    EXPECT_EQ(r.saved("IPaddr0"), "10.0.0.1");
    EXPECT_EQ(r.saved("IPaddr1"), "10.0.0.3");
    for (int i = 2; i <= 9; ++i) EXPECT_EQ(r.saved("IPaddr" + std::to_string(i)), "");
    EXPECT_EQ(r.saved("IPport0"), "23");
    EXPECT_EQ(r.saved("IPport9"), "");
}

TEST(StartUp, SetpointsThatTheSpinnersCannotShowLeaveThemAsTheyAre) {
    Rig r;
    r.stored("orvantis", "focussp1", "12.5");   // a half goes to the even neighbour
    r.stored("orvantis", "focussp2", "40000");  // beyond 16 bits
    r.stored("orvantis", "focusinc", "12");
    r.program.start();
    EXPECT_EQ(r.main.setpoint_spinner[0].value(), 12);
    EXPECT_EQ(r.main.setpoint_box[0].text(), "12");  // the spinner's change writes the box back
    EXPECT_EQ(r.main.setpoint_spinner[1].value(), 0);
    EXPECT_EQ(r.main.setpoint_box[1].text(), "40000");
    EXPECT_EQ(r.main.increment_box.text(), "12");

    Rig r2;
    r2.stored("orvantis", "focussp1", "-5");  // a number the spinner's 0..9999 cannot take
    r2.program.start();
    EXPECT_EQ(r2.main.setpoint_spinner[0].value(), 0);
    EXPECT_EQ(r2.main.setpoint_box[0].text(), "-5");
}

TEST(Shutdown, SavesEveryValueExactlyAsShownWithAllTenHistoryKeys) {
    Rig r;
    r.program.start();
    r.main.port_list.set_text("TCP Port");
    r.settings.baud_box.set_text("19200");
    r.main.exposure_secs.set_text(" 30 ");
    r.main.exposure_gap.set_text("");
    r.main.exposure_count.set_text("2");
    r.main.focus_position.set_text("5025");
    r.main.setpoint_box[0].set_text("100");
    r.main.setpoint_box[1].set_text("x");
    r.main.increment_box.set_text("20");
    r.settings.ip_address.set_text("127.0.0.1");
    r.settings.ip_port.set_text("2000");
    for (int i = 0; i < 12; ++i)
        r.settings.ip_address.insert_item(0, "10.0.0." + std::to_string(i));
    r.sound.log.clear();

    r.program.exit();
    EXPECT_EQ(r.store.commits, 1);
    EXPECT_EQ(r.saved("CommPort"), "TCP Port");
    EXPECT_EQ(r.saved("CommBaud"), "19200");
    EXPECT_EQ(r.saved("ShutterTime"), " 30 ");
    EXPECT_EQ(r.saved("ShutterGap"), "");
    EXPECT_EQ(r.saved("ShutterCount"), "2");
    EXPECT_EQ(r.saved("focus"), "5025");
    EXPECT_EQ(r.saved("focussp1"), "100");
    EXPECT_EQ(r.saved("focussp2"), "x");
    EXPECT_EQ(r.saved("focusinc"), "20");
    EXPECT_EQ(r.saved("IPaddr"), "127.0.0.1");
    EXPECT_EQ(r.saved("IPport"), "2000");
    // Only the ten most recent entries survive.
    EXPECT_EQ(r.saved("IPaddr0"), "10.0.0.11");
    EXPECT_EQ(r.saved("IPaddr9"), "10.0.0.2");
    for (int i = 0; i <= 9; ++i) EXPECT_EQ(r.saved("IPport" + std::to_string(i)), "");
    // 11 named keys, 2 x 10 history keys and the night mode with its brightness
    EXPECT_EQ(r.store.committed.size(), 33u);
    EXPECT_EQ(r.sound.log, (Items{"close"}));
    EXPECT_TRUE(r.program.finished());
}

TEST(Shutdown, NamesAreComparedWithoutRegardToCase) {
    Rig r;
    orv::Store& s = r.program.store;
    s.save("Orvantis", "ShutterTime", "60");
    s.save("orvantis", "focus", "123");
    ASSERT_TRUE(s.commit());
    EXPECT_EQ(s.read("orvantis", "shuttertime"), "60");
    EXPECT_EQ(s.read("ORVANTIS", "FOCUS"), "123");
    EXPECT_EQ(s.read("Orvantis", "never"), "");
}

TEST(Exit, ClosesFirmwareThenMainWithTheSaveThenPortSettingsAndEndsOnce) {
    Rig r;
    r.program.start();
    std::vector<std::string> order;
    r.program.firmware.closed.connect([&] { order.push_back("firmware"); });
    r.main.closed.connect([&] {
        order.push_back("main saved=" + std::to_string(r.store.commits));
    });
    r.settings.closed.connect([&] { order.push_back("settings"); });
    int quits = 0;
    r.program.on_quit = [&] {
        ++quits;
        // The window system reports the main window closing as a result; nothing more happens.
        r.program.main_closing();
    };
    r.settings.show();
    r.settings.activated();
    r.settings.ip_address.set_text("10.9.9.9");  // typed, OK never pressed: saved as the text
    r.main.exit_button.click();
    EXPECT_EQ(order, (Items{"firmware", "main saved=1", "settings"}));
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(r.store.commits, 1);
    EXPECT_EQ(r.saved("IPaddr"), "10.9.9.9");
    EXPECT_EQ(r.saved("IPaddr0"), "");
}

TEST(Exit, TheCloseControlSavesExactlyWhatExitSaves) {
    Rig a, b;
    for (Rig* r : {&a, &b}) {
        r->stored("orvantis", "IPaddr0", "10.0.0.1");
        r->program.start();
        r->main.focus_position.set_text("4321");
        r->settings.ip_port.set_text("7000");
    }
    a.main.exit_button.click();
    b.program.main_closing();
    EXPECT_EQ(a.store.committed, b.store.committed);
    EXPECT_TRUE(b.program.finished());
}

TEST(Exit, AStoreThatCannotBeWrittenIsReported) {
    Rig r;
    r.program.start();
    r.store.fail_commit = true;
    r.program.exit();
    ASSERT_EQ(r.dialogs.messages().size(), 1u);
    EXPECT_EQ(r.dialogs.messages()[0], orv::kNotSaved);
}

// The windows come back where they were: positions restored before they show, saved at the end,
// and only those known (a window never shown is not given a made-up place).
TEST(Startup, WindowPositionsRoundTripThroughTheStore) {
    Rig first;
    first.stored("orvantis", "MainLeft", "-1200");  // on a screen left of the primary one
    first.stored("orvantis", "MainTop", "40");
    first.stored("orvantis", "SettingsLeft", "x");  // a spoilt value is no position
    first.stored("orvantis", "SettingsTop", "10");
    first.program.start();
    EXPECT_TRUE(first.main.position().known);
    EXPECT_EQ(first.main.position().x, -1200);
    EXPECT_EQ(first.main.position().y, 40);
    EXPECT_FALSE(first.settings.position().known);
    first.settings.set_position(300, 200);  // as the window system reports a move
    first.program.exit();
    EXPECT_EQ(first.saved("MainLeft"), "-1200");
    EXPECT_EQ(first.saved("SettingsLeft"), "300");
    EXPECT_EQ(first.saved("SettingsTop"), "200");
    EXPECT_EQ(first.saved("FirmwareLeft"), "<absent>");
}

TEST(Startup, NightModeAndItsBrightnessRoundTripThroughTheStore) {
    struct Case {
        const char* mode;
        const char* level;
        int value;
        const char* shown;
    };
    for (const Case& c :
         {Case{"1", "Dim", 1, "Dim"}, Case{"1", "Dimmer", 1, "Dimmer"}, Case{"0", "Dim", 0, "Dim"},
          Case{"", "", 0, "Bright"}, Case{"yes", "dark", 0, "Bright"}}) {
        Rig r;
        if (*c.mode) r.stored("orvantis", "NightMode", c.mode);
        if (*c.level) r.stored("orvantis", "NightBrightness", c.level);
        r.program.start();
        EXPECT_EQ(r.main.night_mode.value(), c.value) << c.mode << c.level;
        EXPECT_EQ(r.main.night_brightness.text(), c.shown) << c.mode << c.level;
        r.main.night_mode.set_value(1 - c.value);
        r.main.night_brightness.set_text("Dimmer");
        r.program.exit();
        EXPECT_EQ(r.saved("NightMode"), c.value ? "0" : "1");
        EXPECT_EQ(r.saved("NightBrightness"), "Dimmer");
    }
}

}  // namespace
