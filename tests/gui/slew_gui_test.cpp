// The slew pad and the FOCUS buttons in the real window: a real mouse press sends the move and
// its release the stop, and the stop still goes out, once, when the release never comes to the
// button (the pointer left it, the window lost the focus, the button was switched off). Escape
// anywhere and Space on the slew buttons stop whatever moves.

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>

#include "platform/qt/qt_dialogs.h"
#include "views.h"

namespace orv::gui {
namespace {

// Well outside the button, whichever button it is.
const QPoint kOutside{-40, -40};

enum class Meanwhile { Nothing, Leave, ComeBack, OtherWindow, Popup, SwitchOff, Escape };

struct Hold {
    const char* what;
    const char* button;
    Qt::MouseButton mouse;
    Meanwhile meanwhile;  // while the mouse button is down
    std::string held;     // what went out by then
    std::string after;    // and when the mouse button comes up
    bool pulse = false;
};

// clang-format off
const Hold kHolds[] = {
    {"LeftButton", "Slew south", Qt::LeftButton, Meanwhile::Nothing, "#Ms#", "#Qs#"},
    {"RightButton", "Slew west", Qt::RightButton, Meanwhile::Nothing, "#Mw#", "#Qw#"},
    {"MiddleButtonOnFocus", "FOCUS", Qt::MiddleButton, Meanwhile::Nothing, "#F+#", "#FQ#"},
    {"PointerLeaves", "Slew south", Qt::LeftButton, Meanwhile::Leave, "#Ms##Qs#", ""},
    {"PointerLeavesARightButtonHold", "Slew south", Qt::RightButton, Meanwhile::Leave, "#Ms#",
     "#Qs#"},
    {"PointerComesBackWithoutASecondMove", "Slew south", Qt::LeftButton,
     Meanwhile::ComeBack, "#Ms##Qs#", ""},
    {"PointerComesBackWithoutASecondPulse", "Slew south", Qt::LeftButton,
     Meanwhile::ComeBack, "#Mgs2000#", "", true},
    {"AnotherWindowComesToTheFront", "Slew south", Qt::LeftButton, Meanwhile::OtherWindow,
     "#Ms##Qs#", ""},
    {"AnotherWindowComesToTheFrontOfAFocusRun", "FOCUS", Qt::LeftButton, Meanwhile::OtherWindow,
     "#F+##FQ#", ""},
    {"AnotherWindowComesToTheFrontOfARightButtonHold", "Slew south", Qt::RightButton,
     Meanwhile::OtherWindow, "#Ms##Qs#", ""},
    {"AMenuPopsUp", "Slew south", Qt::LeftButton, Meanwhile::Popup, "#Ms##Qs#", ""},
    {"SwitchedOff", "Slew south", Qt::LeftButton, Meanwhile::SwitchOff, "#Ms##Qs#", ""},
    {"SwitchedOffDuringAMiddleButtonHold", "Slew south", Qt::MiddleButton, Meanwhile::SwitchOff,
     "#Ms##Qs#", ""},
    {"EscapePressed", "Slew south", Qt::LeftButton, Meanwhile::Escape, "#Ms##Q#", ""},
};
// clang-format on
void PrintTo(const Hold& hold, std::ostream* out) { *out << hold.what; }

class SlewPad : public Views, public ::testing::WithParamInterface<Hold> {
protected:
    void SetUp() override {
        Views::SetUp();
        connect_box();
        make_active(&main);
    }
    // The pointer leaves the button, or leaves and comes back twice; and the rest.
    void meanwhile(Meanwhile what, QAbstractButton* b) {
        if (what == Meanwhile::Leave) QTest::mouseMove(b, kOutside);
        for (int i = 0; what == Meanwhile::ComeBack && i < 2; ++i) {
            QTest::mouseMove(b, kOutside);
            QTest::mouseMove(b, b->rect().center());
        }
        if (what == Meanwhile::OtherWindow) {
            rig.settings.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
            make_active(&settings);
        }
        if (what == Meanwhile::Popup) {
            menu.addAction("Copy");
            menu.popup(main.mapToGlobal(QPoint(40, 40)));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
        }
        if (what == Meanwhile::SwitchOff) rig.main.enable_controls(false, "orvantis");
        if (what == Meanwhile::Escape) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    QMenu menu;
};

TEST_P(SlewPad, AHoldSendsOneMoveAndOneStop) {
    const Hold& h = GetParam();
    rig.main.pulse_mode.set_value(h.pulse ? 1 : 0);
    auto* b = find<QAbstractButton>(&main, h.button);
    QTest::mousePress(b, h.mouse);
    meanwhile(h.meanwhile, b);
    EXPECT_EQ(sent(), h.held);
    QTest::mouseRelease(b, h.mouse, {}, h.meanwhile == Meanwhile::Leave ? kOutside : QPoint());
    EXPECT_EQ(sent(), h.after);
    EXPECT_FALSE(b->isDown());
    EXPECT_FALSE(rig.program.focus_timer->active());
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Views, SlewPad, ::testing::ValuesIn(kHolds),
                         [](const auto& hold) { return std::string(hold.param.what); });

// Escape stops the mount and the focuser whichever control has the focus, in the main window
// and in a window in front of it; Space on a slew button stops instead of moving.
TEST_F(Views, EscapeFromEveryControlAndSpaceOnTheArrowsStopWhatMoves) {
    connect_box();
    make_active(&main);
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
        const bool pad =
            w->accessibleName().startsWith("Slew") || w->accessibleName() == "Stop slewing";
        for (const auto key : {Qt::Key_Escape, pad ? Qt::Key_Space : Qt::Key_Escape}) {
            focus_run();
            QTest::keyClick(f, key);
            EXPECT_EQ(sent(), "#Q##FQ#") << w->accessibleName().toStdString() << " " << key;
        }
        ++tried;
    }
    EXPECT_GT(tried, 40);

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

}  // namespace
}  // namespace orv::gui
