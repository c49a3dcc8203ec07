// The look of every window of the program and every kind of dialog and tooltip it shows,
// measured from the pixels: at night red on black with no green or blue above 20 % of full
// scale, and text at least 4.5 times as bright (in red) as what is behind it at every
// brightness; by day the day's colours again. ORV_SCREENSHOT_DIR keeps every picture for a
// person to look at.

#include <QDialog>
#include <QDir>
#include <QHash>
#include <QTimer>
#include <QToolTip>
#include <cmath>

#include "app/bind.h"
#include "platform/qt/qt_dialogs.h"
#include "views.h"

namespace orv::gui {
namespace {

constexpr int kMaxGreenBlue = 51;  // 20 % of 255

// The brightest green or blue of a picture, its brightest red, and how many times as bright (in
// red) that is as the red most of the picture shows.
struct Reading {
    int green_blue = 0, red = 0;
    double contrast = 1;
};

Reading read(const QImage& image) {
    Reading r;
    QHash<int, int> count;
    int background = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            r.green_blue = std::max({r.green_blue, qGreen(p), qBlue(p)});
            r.red = std::max(r.red, qRed(p));
            if (++count[qRed(p)] > count.value(background)) background = qRed(p);
        }
    const auto luminance = [](int red) {
        const double c = red / 255.0;
        return (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4)) + 0.05;
    };
    r.contrast = luminance(r.red) / luminance(background);
    return r;
}

// Our modal dialog as `show` opens it, grabbed once it is up, then closed.
QImage grab_dialog(const std::function<void()>& show) {
    QImage seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (d == nullptr || !d->isVisible()) return;
        seen = d->grab().toImage();
        d->reject();
    });
    poll.start(10);
    show();
    return seen;
}

class Looks : public Views {
protected:
    void TearDown() override { rig.main.night_mode.set_value(0); }

    // Every window, every kind of dialog of ours (grabbed once it is up, then closed) and a
    // tooltip.
    std::vector<std::pair<std::string, QImage>> pictures() {
        std::vector<std::pair<std::string, QImage>> out;
        for (const char* w : {"settings", "firmware", "traffic", "main"})
            out.emplace_back(w, open(w)->grab().toImage());
        qt::QtDialogs d;
        const std::pair<const char*, std::function<void()>> dialogs[] = {
            {"message", [&] { d.message("The Orvantis did not answer.", ""); }},
            {"question", [&] { d.question("Quit anyway?", ""); }},
            {"input", [&] { d.input("Confirmation code", "", 0, 0); }},
            {"open_file", [&] { d.open_file("Open", "Hex Files (*.hex)|*.hex", ""); }},
            {"save_file", [&] { d.save_file("Save", "Logs (*.log)|*.log", "t.log"); }}};
        for (const auto& [name, show] : dialogs) out.emplace_back(name, grab_dialog(show));
        QToolTip::showText(main.mapToGlobal(QPoint(20, 20)), "Night mode", &main);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits("QTipLabel") && w->isVisible())
                out.emplace_back("tooltip", w->grab().toImage());
        QToolTip::hideText();
        return out;
    }
};

TEST_F(Looks, AtNightEveryWindowDialogAndTooltipIsRedOnBlackAndCtrlNBringsTheDayBack) {
    // The windows part-way through a night's work: an exposure run, a firmware run.
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    rig.main.run_progress.set_caption("Exposure 3 of 10, 24:35 left, ends at 23:41:05");
    for (const char* line : {":020000040000FA", ":100000000C9434000C9446000C9446000C944600F2"})
        rig.program.firmware.file_lines.add_item(line);
    rig.program.firmware.progress.set_value(12800);
    const QString dir = qEnvironmentVariable("ORV_SCREENSHOT_DIR");
    for (const auto& [level, brightest] : std::initializer_list<std::pair<std::string, int>>{
             {"Bright", 255}, {"Dim", 191}, {"Dimmer", 140}, {"day", 0}}) {
        // Ctrl+N switches night mode on before the brightest level, and off before the day.
        if (brightest % 255 == 0) QTest::keyClick(open("main"), Qt::Key_N, Qt::ControlModifier);
        if (brightest != 0) rig.main.night_brightness.set_text(level);
        QApplication::processEvents();  // the new palette reaches the widgets as events
        const auto shown = pictures();
        EXPECT_EQ(shown.size(), 10u) << level;
        for (const auto& [name, image] : shown) {
            if (!dir.isEmpty())
                image.save(QDir(dir).filePath(QString::fromStdString(level + "-" + name + ".png")));
            const Reading r = read(image);
            EXPECT_EQ(r.green_blue <= kMaxGreenBlue, brightest != 0) << level << name;
            EXPECT_TRUE(name != "main" || brightest == 0 || r.red == brightest) << level;
        }
        // Every enabled control with text reads clearly.
        for (QWidget* c : QApplication::allWidgets()) {
            if (brightest == 0 || c->property("text").toString().isEmpty() || !c->isVisible() ||
                !c->isEnabled())
                continue;
            EXPECT_GE(read(c->grab().toImage()).contrast, 4.5)
                << level << ": " << c->accessibleName().toStdString();
        }
    }
}

// The lamp is red while the shutter is closed and green while it is open; at night both are
// red, a bright or a dark one, with the word beside it.
TEST_F(Looks, TheShutterIndicatorShowsOpenOrClosedByDayAndAtNight) {
    auto* lamp = main.findChild<app::ShapeWidget*>();
    const auto seen = [&](ui::Colour c) {
        rig.main.shutter_indicator.set_fill_color(c);
        return lamp->grab().toImage();
    };
    EXPECT_EQ(seen(ui::Colour::Red).pixel(lamp->rect().center()), qRgb(255, 0, 0));
    EXPECT_EQ(seen(ui::Colour::Green).pixel(lamp->rect().center()), qRgb(0, 255, 0));
    rig.main.night_mode.set_value(1);
    const QImage on = seen(ui::Colour::Green), off = seen(ui::Colour::Red);
    const QPoint middle(9, lamp->height() / 2);
    EXPECT_GE(qRed(on.pixel(middle)), 200);
    EXPECT_LE(qRed(off.pixel(middle)), 90);
    EXPECT_NE(on.copy(20, 0, on.width() - 20, on.height()),
              off.copy(20, 0, off.width() - 20, off.height()));
}

}  // namespace
}  // namespace orv::gui
