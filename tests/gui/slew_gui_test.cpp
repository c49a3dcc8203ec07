// The slew pad and the FOCUS buttons in the real window: a real mouse press sends the move and
// its release the stop, and the stop still goes out when the release never comes to the button
// (the pointer left it, the window lost the focus, the button was switched off).

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include "platform/qt/qt_dialogs.h"

#include "views.h"

namespace orv::gui {
namespace {

class SlewPad : public Views {
protected:
    void SetUp() override {
        rig.ports.ports = {{3, "/dev/pts/3"}};
        Views::SetUp();
        rig.main.port_list.set_text("COM3");
        rig.main.connect_button.click();
        rig.serial.arrive("1.20#");
        rig.serial.written.clear();
        rig.dialogs.shown.clear();
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    }
    // What went to the box since the last call.
    std::string sent() { return std::exchange(rig.serial.written, {}); }

    QAbstractButton* south() { return find<QAbstractButton>(&main, "Slew south"); }
};

// Well outside the button, whichever button it is.
const QPoint kOutside{-40, -40};

TEST_F(SlewPad, ARealPressAndReleaseOnAnArrowSendsTheMoveAndTheStop) {
    QTest::mousePress(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Ms#");
    QTest::mouseRelease(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Qs#");

    auto* west = find<QAbstractButton>(&main, "Slew west");
    QTest::mousePress(west, Qt::RightButton);
    QTest::mouseRelease(west, Qt::RightButton);
    EXPECT_EQ(sent(), "#Mw##Qw#");

    QTest::mouseClick(find<QAbstractButton>(&main, "Stop slewing"), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Q#");
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(SlewPad, ThePointerLeavingTheHeldArrowStopsTheMountOnce) {
    // The mouse button comes up away from the arrow; the grab still delivers the release to it.
    QTest::mousePress(south(), Qt::LeftButton);
    QTest::mouseMove(south(), kOutside);
    EXPECT_EQ(sent(), "#Ms##Qs#");
    EXPECT_FALSE(south()->isDown());
    QTest::mouseRelease(south(), Qt::LeftButton, {}, kOutside);
    EXPECT_EQ(sent(), "");

    // Back on the arrow while still held, it does not move again: one hold, one move.
    QTest::mousePress(south(), Qt::LeftButton);
    QTest::mouseMove(south(), kOutside);
    QTest::mouseMove(south(), south()->rect().center());
    QTest::mouseMove(south(), kOutside);
    QTest::mouseMove(south(), south()->rect().center());
    QTest::mouseRelease(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Ms##Qs#");
    // In pulse mode that would have been a second guide pulse.
    rig.main.pulse_mode.set_value(1);
    QTest::mousePress(south(), Qt::LeftButton);
    QTest::mouseMove(south(), kOutside);
    QTest::mouseMove(south(), south()->rect().center());
    QTest::mouseRelease(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Mgs2000#");
    rig.main.pulse_mode.set_value(0);
    // A new press after that moves again; Space on the arrow is the stop key, not a press.
    QTest::mouseClick(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Ms##Qs#");
    south()->setFocus();
    QTest::keyPress(south(), Qt::Key_Space);
    QTest::keyRelease(south(), Qt::Key_Space);
    EXPECT_EQ(sent(), "#Q#");

    // The right mouse button, let go away from the arrow.
    QTest::mousePress(south(), Qt::RightButton);
    QTest::mouseMove(south(), kOutside);
    QTest::mouseRelease(south(), Qt::RightButton, {}, kOutside);
    EXPECT_EQ(sent(), "#Ms##Qs#");
}

TEST_F(SlewPad, TheWindowLosingTheFocusWhileAnArrowIsHeldStopsTheMount) {
    QTest::mousePress(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Ms#");
    rig.settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    settings.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
    EXPECT_EQ(sent(), "#Qs#");
    EXPECT_FALSE(south()->isDown());
    // The release that comes later finds nothing left to stop.
    QTest::mouseRelease(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "");

    // The same for a right-button hold and for the focuser.
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    auto* focus = find<QAbstractButton>(&main, "FOCUS");
    QTest::mousePress(south(), Qt::RightButton);
    QTest::mousePress(focus, Qt::LeftButton);  // the arrow loses the focus to the FOCUS button
    EXPECT_EQ(sent(), "#Ms##Qs##F+#");
    settings.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
    EXPECT_EQ(sent(), "#FQ#");
    EXPECT_FALSE(rig.program.focus_timer->active());
    QTest::mouseRelease(focus, Qt::LeftButton);
    QTest::mouseRelease(south(), Qt::RightButton);
    EXPECT_EQ(sent(), "");
}

TEST_F(SlewPad, AnArrowSwitchedOffWhileHeldStopsTheMount) {
    for (const auto mouse : {Qt::LeftButton, Qt::MiddleButton}) {
        rig.main.slew_up.set_enabled(true);
        QTest::mousePress(south(), mouse);
        rig.main.slew_up.set_enabled(false);
        EXPECT_EQ(sent(), "#Ms##Qs#") << mouse;
        QTest::mouseRelease(south(), mouse);
        EXPECT_EQ(sent(), "") << mouse;
    }
}

}  // namespace
// Escape stops the mount and the focuser whichever control has the focus, in the main window
// and in a window in front of it; Space on a slew button stops instead of moving.
TEST_F(SlewPad, EscapeFromEveryControlAndSpaceOnTheArrowsStopWhatMoves) {
    rig.main.setpoint_box[0].set_text("100");
    const auto focus_run = [this] {
        rig.main.goto_setpoint[0].click();
        EXPECT_EQ(sent(), "#F-#");
    };
    int tried = 0;
    for (QWidget* w : main.findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        w->setFocus();
        QWidget* f = QApplication::focusWidget();  // a box's list takes it for its line
        ASSERT_TRUE(f == w || f == w->focusProxy()) << w->accessibleName().toStdString();
        focus_run();
        QTest::keyClick(f, Qt::Key_Escape);
        EXPECT_EQ(sent(), "#Q##FQ#") << w->accessibleName().toStdString();
        EXPECT_FALSE(rig.program.focus_timer->active());
        ++tried;
    }
    EXPECT_GT(tried, 20);

    // An arrow held with the mouse: the mount stops and letting go sends nothing more.
    QTest::mousePress(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "#Ms#");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(sent(), "#Q#");
    QTest::mouseRelease(south(), Qt::LeftButton);
    EXPECT_EQ(sent(), "");

    for (const char* name :
         {"Slew south", "Slew north", "Slew east", "Slew west", "Stop slewing"}) {
        auto* arrow = find<QAbstractButton>(&main, name);
        arrow->setFocus();
        focus_run();
        QTest::keyClick(arrow, Qt::Key_Space);
        EXPECT_EQ(sent(), "#Q##FQ#") << name;
    }

    // Port Settings in front: Escape stops, and closes it as ever.
    open_port_settings();
    focus_run();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(sent(), "#Q##FQ#");
    EXPECT_FALSE(settings.isVisible());

    // A message box of ours in front: Escape stops, and closes the box.
    main.activateWindow();
    focus_run();
    bool pressed = false;
    with_dialog(
        [&pressed](QWidget* box) {
            pressed = true;
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box,
                            Qt::Key_Escape);
        },
        [] { qt::QtDialogs().message("The Orvantis did not answer.", ""); });
    EXPECT_TRUE(pressed);
    EXPECT_EQ(sent(), "#Q##FQ#");
}

}  // namespace orv::gui
