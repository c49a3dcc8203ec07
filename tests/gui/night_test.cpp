// Night mode measured from the pixels: every window of the program and every kind of dialog,
// tooltip and menu it shows, red on black with no green or blue above 20 % of full scale, and
// text at least 4.5 times as bright (in red) as what is behind it at every brightness.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <cmath>
#include <functional>

#include "app/bind.h"
#include "app/night.h"
#include "platform/qt/qt_dialogs.h"
#include "views.h"

namespace orv::gui {
namespace {

constexpr int kMaxGreenBlue = 51;  // 20 % of 255

struct Reading {
    int green = 0, blue = 0;
    int brightest_red = 0;
    int background_red = 0;  // the red most of the picture shows
};

Reading read(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    Reading r;
    QHash<int, int> count;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            r.green = std::max(r.green, qGreen(line[x]));
            r.blue = std::max(r.blue, qBlue(line[x]));
            r.brightest_red = std::max(r.brightest_red, qRed(line[x]));
            if (++count[qRed(line[x])] > count.value(r.background_red))
                r.background_red = qRed(line[x]);
        }
    }
    return r;
}

double luminance(int red) {
    const double c = red / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The brightest red of a control's text against the red behind it.
double contrast(QWidget* w) {
    const Reading r = read(w->grab().toImage());
    return (luminance(r.brightest_red) + 0.05) / (luminance(r.background_red) + 0.05);
}

class Night : public Views {
protected:
    void SetUp() override {
        Views::SetUp();
        rig.main.night_mode.set_value(1);
        QApplication::processEvents();  // the new palette reaches the widgets as events
    }
    void TearDown() override {
        rig.main.night_mode.set_value(0);
        Views::TearDown();
    }
    Reading expect_red(const QImage& image, const std::string& what) {
        EXPECT_FALSE(image.isNull()) << what;
        // ORV_SCREENSHOT_DIR keeps each picture for a person to look at.
        const QString dir = qEnvironmentVariable("ORV_SCREENSHOT_DIR");
        if (!dir.isEmpty()) image.save(dir + "/night-" + QString::fromStdString(what) + ".png");
        const Reading r = read(image);
        EXPECT_LE(r.green, kMaxGreenBlue) << what;
        EXPECT_LE(r.blue, kMaxGreenBlue) << what;
        return r;
    }
    // Shows one of our dialogs through the real dialogs, grabs it once it is up, closes it.
    QImage grab_dialog(const std::function<void()>& show) {
        QImage seen;
        with_dialog(
            [&seen](QWidget* d) {
                seen = d->grab().toImage();
                if (auto* dialog = qobject_cast<QDialog*>(d)) dialog->reject();
            },
            show);
        return seen;
    }
};

TEST_F(Night, EveryWindowDialogTooltipAndMenuIsRedOnBlack) {
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    open_port_settings();
    open_firmware();
    rig.program.firmware.progress.set_value(12800);
    QWidget* traffic = open_traffic();
    rig.program.traffic.add(link::Flow::Sent, "GVn#");

    for (const auto& [level, brightest] : std::initializer_list<std::pair<std::string, int>>{
             {"Bright", 255}, {"Dim", 191}, {"Dimmer", 140}}) {
        rig.main.night_brightness.set_text(level);
        QApplication::processEvents();
        EXPECT_EQ(expect_red(main.grab().toImage(), "main window " + level).brightest_red,
                  brightest);
        expect_red(settings.grab().toImage(), "port settings " + level);
        expect_red(firmware.grab().toImage(), "firmware window " + level);
        expect_red(traffic->grab().toImage(), "traffic window " + level);
        // Every enabled control with text reads clearly.
        for (QWidget* window : std::initializer_list<QWidget*>{&main, &settings, &firmware}) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                auto* label = qobject_cast<QLabel*>(w);
                auto* button = qobject_cast<QAbstractButton*>(w);
                auto* box = qobject_cast<QLineEdit*>(w);
                const bool text = (label && !label->text().isEmpty()) ||
                                  (button && !button->text().isEmpty()) ||
                                  (box && !box->text().isEmpty());
                if (!text || !w->isVisible() || !w->isEnabled()) continue;
                EXPECT_GE(contrast(w), 4.5) << level << ": " << w->accessibleName().toStdString();
            }
        }
    }

    // The dialogs of ours, each kind.
    qt::QtDialogs dialogs;
    main.activateWindow();
    expect_red(grab_dialog([&] { dialogs.message("The Orvantis did not answer.", ""); }),
               "message box");
    expect_red(grab_dialog([&] { dialogs.question("Quit anyway?", ""); }), "question box");
    expect_red(grab_dialog([&] { dialogs.input("Confirmation code", "", 0, 0); }), "input box");
    expect_red(grab_dialog([&] { dialogs.open_file("Open", "Hex Files (*.hex)|*.hex", ""); }),
               "file dialog");
    expect_red(grab_dialog([&] { dialogs.save_file("Save", "Logs (*.log)|*.log", "t.log"); }),
               "save dialog");

    // A tooltip and a box's menu.
    QToolTip::showText(main.mapToGlobal(QPoint(20, 20)), "Night mode", &main);
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible()) tip = w;
    ASSERT_NE(tip, nullptr);
    expect_red(tip->grab().toImage(), "tooltip");
    QToolTip::hideText();
    auto* box = find<QLineEdit>(&main, "Send Direct LX200 commands");
    box->setText("#Q#");
    std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    menu->popup(main.mapToGlobal(QPoint(40, 40)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
    expect_red(menu->grab().toImage(), "menu");
    menu->close();
}

TEST_F(Night, TheShutterIndicatorSaysOnAndOffAndCtrlNSwitchesBack) {
    auto* indicator = main.findChild<app::ShapeWidget*>();
    ASSERT_NE(indicator, nullptr);
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    const QImage on = indicator->grab().toImage();
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Red);
    const QImage off = indicator->grab().toImage();
    // The middle of the lamp: a bright red when on, a dark red when off; beside it the word.
    const QPoint lamp(9, indicator->height() / 2);
    EXPECT_GE(qRed(on.pixel(lamp)), 200);
    EXPECT_LE(qRed(off.pixel(lamp)), 90);
    EXPECT_NE(on.copy(20, 0, on.width() - 20, on.height()),
              off.copy(20, 0, off.width() - 20, off.height()));
    EXPECT_GT(indicator->width(), 30);  // room for "ON" and "OFF"

    make_active(&main);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main, Qt::Key_N,
                    Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(rig.main.night_mode.value(), 0);
    EXPECT_FALSE(app::night::on());
    EXPECT_GT(read(main.grab().toImage()).blue, kMaxGreenBlue);  // the day's look is back
    QTest::keyClick(&main, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(find<QCheckBox>(&main, "Night mode")->isChecked());
    EXPECT_TRUE(app::night::on());
}

}  // namespace
}  // namespace orv::gui
