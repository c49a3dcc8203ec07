// The slew pad and the FOCUS buttons in the real window: a real mouse press sends the move and
// its release the stop, and the stop still goes out, once, when the release never comes to the
// button (the pointer left it, the window lost the focus, the button was switched off).

#include <QMenu>

#include "views.h"

namespace orv::gui {
namespace {

// Well outside the button, whichever button it is.
const QPoint kOutside{-40, -40};

enum class M { Nothing, Leave, ComeBack, OtherWindow, Popup, SwitchOff, Escape };

struct Hold {
    const char* what;
    const char* button;
    Qt::MouseButton mouse;
    M meanwhile;        // while the mouse button is down
    std::string held;   // what went out by then
    std::string after;  // and when the mouse button comes up
};

// clang-format off
const Hold kHolds[] = {
    {"LeftButton", "Slew south", Qt::LeftButton, M::Nothing, "#Ms#", "#Qs#"},
    {"MiddleButtonOnFocus", "FOCUS", Qt::MiddleButton, M::Nothing, "#F+#", "#FQ#"},
    {"PointerLeaves", "Slew south", Qt::LeftButton, M::Leave, "#Ms##Qs#", ""},
    {"PointerLeavesARightButtonHold", "Slew west", Qt::RightButton, M::Leave, "#Mw#", "#Qw#"},
    {"PointerComesBackWithoutASecondMove", "Slew south", Qt::LeftButton, M::ComeBack, "#Ms##Qs#", ""},
    {"AnotherWindowInFront", "Slew south", Qt::LeftButton, M::OtherWindow, "#Ms##Qs#", ""},
    {"AnotherWindowInFrontOfARightButtonHold", "Slew east", Qt::RightButton, M::OtherWindow,
     "#Me##Qe#", ""},
    {"AMenuPopsUp", "Slew south", Qt::LeftButton, M::Popup, "#Ms##Qs#", ""},
    {"SwitchedOff", "Slew south", Qt::LeftButton, M::SwitchOff, "#Ms##Qs#", ""},
    {"EscapePressed", "Slew south", Qt::LeftButton, M::Escape, "#Ms##Q#", ""},
};
// clang-format on
void PrintTo(const Hold& hold, std::ostream* out) { *out << hold.what; }

class SlewPad : public Views, public ::testing::WithParamInterface<Hold> {};

TEST_P(SlewPad, AHoldSendsOneMoveAndOneStop) {
    const Hold& h = GetParam();
    auto* b = find<QAbstractButton>(open("main"), h.button);
    QMenu menu;
    QTest::mousePress(b, h.mouse);
    if (h.meanwhile == M::Leave) QTest::mouseMove(b, kOutside);
    for (int i = 0; h.meanwhile == M::ComeBack && i < 2; ++i) {  // and leaves and comes again
        QTest::mouseMove(b, kOutside);
        QTest::mouseMove(b, b->rect().center());
    }
    if (h.meanwhile == M::OtherWindow) open("settings");
    if (h.meanwhile == M::Popup) {
        menu.addAction("Copy");
        menu.popup(main.mapToGlobal(QPoint(40, 40)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    }
    if (h.meanwhile == M::SwitchOff) rig.main.enable_controls(false, "orvantis");
    if (h.meanwhile == M::Escape) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(sent(), h.held);
    QTest::mouseRelease(b, h.mouse, {}, h.meanwhile == M::Leave ? kOutside : QPoint());
    EXPECT_EQ(sent(), h.after);
    EXPECT_FALSE(b->isDown());
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Views, SlewPad, ::testing::ValuesIn(kHolds),
                         [](const auto& hold) { return std::string(hold.param.what); });

}  // namespace
}  // namespace orv::gui
