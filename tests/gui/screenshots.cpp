// Pictures of the windows at their natural size, for a person to look at: saved only when
// ORV_SCREENSHOT_DIR names a folder.
#include "views.h"

#include <QApplication>
#include <QDir>

namespace orv::gui {
namespace {

TEST_F(Views, SavesScreenshotsWhenAskedTo) {
    const QString dir = qEnvironmentVariable("ORV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "ORV_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    open_port_settings();
    EXPECT_TRUE(main.grab().save(QDir(dir).filePath("main.png")));
    EXPECT_TRUE(settings.grab().save(QDir(dir).filePath("port_settings.png")));
    rig.main.link_progress.set_caption("Connecting to 192.168.1.3:23\u2026");
    EXPECT_TRUE(main.grab().save(QDir(dir).filePath("main_connecting.png")));
    rig.main.link_progress.set_caption("");

    // The firmware window part-way through a run.
    open_firmware();
    auto& w = rig.program.firmware;
    w.file_box.set_text("/home/observer/firmware/orvantis-2.21.hex");
    for (const char* line : {":020000040000FA", ":100000000C9434000C9446000C9446000C944600F2",
                             ":100010000C9446000C9446000C9446000C944600D0", ":00000001FF"})
        w.file_lines.add_item(line);
    w.reply_box.set_text("2#");
    w.progress.set_value(12800);
    w.status_line.set_caption("Programming");
    EXPECT_TRUE(firmware.grab().save(QDir(dir).filePath("firmware.png")));

    // The Traffic window after an identification, a Read Settings and a firmware block.
    auto& t = rig.program.traffic;
    t.add(link::Flow::Opened, "COM3 (/dev/ttyUSB0) at 9600,N,8,1");
    for (const char* s : {"GVn#", "1.20#", "GVN#", "2.21#", "#GPC#", "OA5#", "#GSR#"})
        t.add(s[0] == '#' || s[0] == 'G' ? link::Flow::Sent : link::Flow::Received, s);
    t.add(link::Flow::Received, std::string("\x01\x01\x2c\x00\x23#", 6));
    t.add(link::Flow::Sent, std::string(128, '\x0c'));
    t.add(link::Flow::Received, "A");
    QWidget* traffic = open_traffic();
    ASSERT_NE(traffic, nullptr);
    EXPECT_TRUE(traffic->grab().save(QDir(dir).filePath("traffic.png")));

    // The same at night, with an exposure run under way.
    rig.main.night_mode.set_value(1);
    rig.main.run_progress.set_caption("Exposure 3 of 10, 24:35 left, ends at 23:41:05");
    rig.main.elapsed_label.set_caption("47");
    rig.main.exposure_number_label.set_caption("3");
    QApplication::processEvents();
    EXPECT_TRUE(main.grab().save(QDir(dir).filePath("main_night.png")));
    EXPECT_TRUE(settings.grab().save(QDir(dir).filePath("port_settings_night.png")));
    EXPECT_TRUE(firmware.grab().save(QDir(dir).filePath("firmware_night.png")));
    EXPECT_TRUE(traffic->grab().save(QDir(dir).filePath("traffic_night.png")));
    rig.main.night_mode.set_value(0);
}

}  // namespace
}  // namespace orv::gui
