// Pictures of the windows at their natural size, for a person to look at: saved only when
// ORV_SCREENSHOT_DIR names a folder.
#include "views.h"

#include <QDir>

namespace orv::gui {
namespace {

TEST_F(Views, SavesScreenshotsWhenAskedTo) {
    const QString dir = qEnvironmentVariable("ORV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "ORV_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    rig.main.Shape1.set_fill_color(kGreen);
    open_port_settings();
    EXPECT_TRUE(main.grab().save(QDir(dir).filePath("main.png")));
    EXPECT_TRUE(settings.grab().save(QDir(dir).filePath("port_settings.png")));
}

}  // namespace
}  // namespace orv::gui
