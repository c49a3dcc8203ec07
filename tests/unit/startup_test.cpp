#include <tuple>

#include "connected_rig.h"

namespace {

// The boxes kept in the store between runs, in the order of their keys.
const std::initializer_list<const char*> kKeys = {
    "CommPort", "CommBaud", "ShutterTime", "ShutterGap", "ShutterCount", "focus",
    "focussp1", "focussp2", "focusinc",    "IPaddr",     "IPport"};
auto boxes(Rig& r) {
    auto& m = r.main;
    return std::tie(m.port_list, r.settings.baud_box, m.exposure_secs, m.exposure_gap,
                    m.exposure_count, m.focus_position, m.setpoint_box[0], m.setpoint_box[1],
                    m.increment_box, r.settings.ip_address, r.settings.ip_port);
}
Texts texts(Rig& r) {
    return std::apply([](auto&... box) { return Texts{box.text()...}; }, boxes(r));
}
void store_texts(Rig& r, const Texts& texts) {
    std::size_t i = 0;
    for (const char* key : kKeys) r.stored("orvantis", key, texts[i++]);
}
void type(Rig& r, const Texts& texts) {
    std::size_t i = 0;
    std::apply([&](auto&... box) { (box.set_text(texts[i++]), ...); }, boxes(r));
}

TEST(StartUp, FromAnEmptyStore) {
    Rig r;
    r.ports.ports = {{2, "/dev/ttyUSB0"}, {5, "/dev/pts/7"}, {10, "/dev/ttyUSB9"}};
    r.ports.descriptions = {{2, "/dev/ttyUSB0\nUSB 0403:6001, FTDI"}};
    r.program.start();
    // The settings window is created hidden; nothing is shown, sent or usable before CONNECT.
    EXPECT_EQ((std::vector<bool>{r.main.visible(), r.settings.visible(),
                                 r.settings.ip_address.items().empty(), r.dialogs.shown.empty(),
                                 r.serial.written.empty(), r.main.read_settings.enabled()}),
              (std::vector<bool>{true, false, true, true, true, false}));
    const auto& list = r.main.port_list;
    EXPECT_EQ(list.items(), (Texts{"COM2", "COM5", "COM10", "Search COM", "TCP Port"}));
    EXPECT_EQ((Texts{list.description(0), list.description(1), list.description(3)}),
              (Texts{"/dev/ttyUSB0\nUSB 0403:6001, FTDI", "/dev/pts/7", ""}));
    EXPECT_EQ(texts(r), (Texts{"", "", "", "", "", "5000", "", "", "50", "", ""}));
    EXPECT_EQ(r.main.shutter_indicator.fill_color(), orv::ui::Colour::Red);
    EXPECT_EQ(r.sound.log, (Texts{"file c:\\windows\\mzm.wav", "open"}));
}

TEST(StartUp, FromStoredValuesKeptAsTheyAre) {
    Rig r;
    r.ports.ports = {{1, "/dev/ttyS0"}};
    // COM7 is no longer present, but still shown; letters are kept, but in the increment.
    store_texts(r,
                {"COM7", "57600", "0120", " 15", "3", "abc", "750", "", "xyz", "10.1.1.1", "4001"});
    store_all(r, {{"IPaddr0", "10.0.0.1"}, {"IPaddr2", "10.0.0.3"}, {"IPport9", "23"}});  // a gap
    r.program.start();
    EXPECT_EQ(texts(r), (Texts{"COM7", "57600", "0120", " 15", "3", "abc", "750", "", "50",
                               "10.1.1.1", "4001"}));
    EXPECT_FALSE(r.main.port_list.contains("COM7"));
    EXPECT_EQ(r.settings.ip_address.items(), (Texts{"10.0.0.1", "10.0.0.3"}));
    EXPECT_EQ(r.settings.ip_port.items(), (Texts{"23"}));

    // After the next shutdown the history has no gap and the rest is cleared.
    r.program.exit();
    EXPECT_EQ(saved_all(r, {"IPaddr0", "IPaddr1", "IPaddr2", "IPaddr3", "IPaddr4", "IPaddr5",
                            "IPaddr6", "IPaddr7", "IPaddr8", "IPaddr9", "IPport0", "IPport9"}),
              (Texts{"10.0.0.1", "10.0.0.3", "", "", "", "", "", "", "", "", "23", ""}));
}

TEST(Shutdown, SavesEveryValueExactlyAsShownWithAllTenHistoryKeys) {
    Rig r;
    r.program.start();
    const Texts typed = {"TCP Port", "19200", " 30 ", "",          "2",   "5025",
                         "100",      "x",     "20",   "127.0.0.1", "2000"};
    type(r, typed);
    for (int i = 0; i < 12; ++i)
        r.settings.ip_address.insert_item(0, "10.0.0." + std::to_string(i));
    r.sound.log.clear();

    r.program.exit();
    EXPECT_EQ(r.store.commits, 1);
    EXPECT_EQ(saved_all(r, kKeys), typed);
    // Only the ten most recent entries survive.
    EXPECT_EQ(saved_all(r, {"IPaddr0", "IPaddr9"}), (Texts{"10.0.0.11", "10.0.0.2"}));
    for (int i = 0; i <= 9; ++i) EXPECT_EQ(r.saved("IPport" + std::to_string(i)), "") << i;
    // 11 named keys, 2 x 10 history keys and the night mode with its brightness
    EXPECT_EQ(r.store.committed.size(), 33u);
    EXPECT_EQ(r.sound.log, (Texts{"close"}));
    EXPECT_TRUE(r.program.finished());
}

TEST(Shutdown, NamesAreComparedWithoutRegardToCase) {
    Rig r;
    orv::Store& s = r.program.store;
    s.save("Orvantis", "ShutterTime", "60");
    s.save("orvantis", "focus", "123");
    s.save("orvantis", "AZaz09", "z");  // the ends of the alphabet fold too
    ASSERT_TRUE(s.commit());
    EXPECT_EQ((Texts{s.read("orvantis", "shuttertime"), s.read("ORVANTIS", "FOCUS"),
                     s.read("Orvantis", "never"), s.read("orvantis", "azAZ09")}),
              (Texts{"60", "123", "", "z"}));
}

TEST(Exit, ClosesFirmwareThenMainWithTheSaveThenPortSettingsAndEndsOnce) {
    Rig r;
    r.program.start();
    Texts order;
    r.program.firmware.closed.connect([&] { order.push_back("firmware"); });
    r.main.closed.connect(
        [&] { order.push_back("main saved=" + std::to_string(r.store.commits)); });
    r.settings.closed.connect([&] { order.push_back("settings"); });
    r.program.traffic_window.closed.connect([&] { order.push_back("traffic"); });
    int quits = 0;
    r.program.on_quit = [&] {
        ++quits;
        // The window system reports the main window closing as a result: it may close, and
        // nothing more happens.
        EXPECT_TRUE(r.program.main_closing());
    };
    r.main.port_settings_button.click();
    r.main.traffic_button.click();
    EXPECT_TRUE(r.settings.visible() && r.program.traffic_window.visible());
    r.settings.activated();
    r.settings.ip_address.set_text("10.9.9.9");  // typed, OK never pressed: saved as the text
    r.main.exit_button.click();
    EXPECT_EQ(order, (Texts{"firmware", "main saved=1", "settings", "traffic"}));
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(r.store.commits, 1);
    EXPECT_EQ(saved_all(r, {"IPaddr", "IPaddr0"}), (Texts{"10.9.9.9", ""}));
}

// EXIT and the close control end the same way; the ways-out tests check what each saves.
TEST(Exit, AStoreThatCannotBeWrittenIsReported) {
    Rig r;
    r.program.start();
    r.store.fail_commit = true;
    r.program.exit();
    EXPECT_EQ(r.dialogs.messages(), Texts{orv::kNotSaved});
}

// The windows come back where they were: positions restored before they show, saved at the end,
// and only those known (a window never shown is not given a made-up place).
TEST(Startup, WindowPositionsRoundTripThroughTheStore) {
    Rig first;
    store_all(first, {{"MainLeft", "-1200"},  // on a screen left of the primary one
                      {"MainTop", "40"},
                      {"SettingsLeft", "x"},  // a spoilt value is no position
                      {"SettingsTop", "10"}});
    first.program.start();
    const auto& at = first.main.position();
    EXPECT_EQ(std::tuple(at.known, at.x, at.y), std::tuple(true, -1200, 40));
    EXPECT_FALSE(first.settings.position().known);
    first.settings.set_position(300, 200);  // as the window system reports a move
    first.program.exit();
    EXPECT_EQ(saved_all(first, {"MainLeft", "SettingsLeft", "SettingsTop", "FirmwareLeft"}),
              (Texts{"-1200", "300", "200", "<absent>"}));
}

TEST(Startup, NightModeAndItsBrightnessRoundTripThroughTheStore) {
    // Stored mode and brightness ("" for none), then the value and the level shown.
    for (auto [mode, level, value, shown] : {std::tuple{"1", "Dim", 1, "Dim"},
                                             {"1", "Dimmer", 1, "Dimmer"},
                                             {"0", "Dim", 0, "Dim"},
                                             {"", "", 0, "Bright"},
                                             {"yes", "dark", 0, "Bright"}}) {
        Rig r;
        if (*mode) r.stored("orvantis", "NightMode", mode);
        if (*level) r.stored("orvantis", "NightBrightness", level);
        r.program.start();
        EXPECT_EQ(r.main.night_mode.value(), value) << mode << level;
        EXPECT_EQ(r.main.night_brightness.text(), shown) << mode << level;
        r.main.night_mode.set_value(1 - value);
        r.main.night_brightness.set_text("Dimmer");
        r.program.exit();
        EXPECT_EQ(saved_all(r, {"NightMode", "NightBrightness"}),
                  (Texts{value ? "0" : "1", "Dimmer"}));
    }
}

}  // namespace
