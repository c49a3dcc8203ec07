// The real windows against the whole program on fakes. Each kind of control reaches the program
// the same by hand (mouse and keys) as through the accessibility interface, under a name equal
// to its caption; a held slew or FOCUS button sends one move and one stop whatever comes between;
// the model's changes reach the widgets; the keys, the tab walk, the ways out.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>

#include "views.h"

namespace orv::gui {
namespace {

// What a screen reader says a control is. On Linux a combo box's own name is its current entry;
// what it is comes from the label that names it.
std::string announced(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a->role() == QAccessible::ComboBox)
        for (const auto& [label, relation] : a->relations(QAccessible::Label))
            return label->text(QAccessible::Name).toStdString();
    return a->text(QAccessible::Name).toStdString();
}

enum class Way { Press, Toggle, Type, Choose, Value };

struct Step {
    const char* name;  // the control's caption, which is also what assistive technology reads
    Way way = Way::Press;
    const char* text = "";
};

struct Row {
    const char* window;
    std::vector<Step> steps;
    std::string bytes;                          // what goes to the box
    std::function<bool(fake::Rig&)> then = {};  // and what the program shows after
};

// A row for each way a kind of control is bound, and for each window's own wiring.
using R = fake::Rig&;
// clang-format off
const std::vector<Row> kRows = {
    {"main", {{"Slew south"}}, "#Ms##Qs#"},
    {"main", {{"Pulse Guide Mode", Way::Toggle}, {"Slew east"}}, "#Mge2000#"},
    {"main", {{"Pulse time (ms)", Way::Type, "150"}, {"Slew north"}}, "#Mgn150#"},
    {"main", {{"Brightness", Way::Choose, "Dim"}}, "",
     [](R r) { return r.main.night_brightness.text() == "Dim"; }},
    {"main", {{"Focus Setpoint 1 spinner", Way::Value, "50"}}, "",
     [](R r) { return r.main.setpoint_spinner[0].value() == 50; }},
    // OK keeps the port the window opened with in the list.
    {"settings", {{"IP Port", Way::Type, "4002"}, {"OK"}}, "",
     [](R r) { return r.settings.ip_port.contains("4001") && !r.settings.visible(); }},
    {"traffic", {{"Copy"}}, "",
     [](R) { return QGuiApplication::clipboard()->text().endsWith("1.20#\n"); }},
};
// clang-format on

// Works a control as a user does by hand, or as assistive technology does.
void work(QWidget* w, const Step& s, bool by_hand) {
    using A = QAccessibleActionInterface;
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* box = combo && s.way == Way::Type ? combo->lineEdit() : qobject_cast<QLineEdit*>(w);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box ? box : w);
    if (box) box->selectAll();
    if (s.way == Way::Press || s.way == Way::Toggle) {
        if (by_hand) QTest::mouseClick(w, Qt::LeftButton);
        if (!by_hand)
            a->actionInterface()->doAction(s.way == Way::Press ? A::pressAction()
                                                               : A::toggleAction());
    } else if (s.way == Way::Type) {
        if (by_hand) QTest::keyClicks(box, s.text);
        if (!by_hand) a->setText(QAccessible::Value, s.text);
    } else if (s.way == Way::Value) {  // by hand the lower arrow, once
        if (by_hand) QTest::mouseClick(w, Qt::LeftButton, {}, {w->width() / 2, w->height() - 3});
        if (!by_hand) a->valueInterface()->setCurrentValue(QString(s.text).toInt());
    } else {  // by hand Down until it shows; through the interface selected in the list
        for (int i = 0; by_hand && i < combo->count() && combo->currentText() != s.text; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        for (int i = 0; !by_hand && i < combo->count(); ++i)
            if (a->child(0)->child(i)->text(QAccessible::Name) == s.text)
                a->child(0)->child(i)->actionInterface()->doAction(A::toggleAction());
    }
    // A press through the interface is animated: the release and the click come a moment later.
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        (void)QTest::qWaitFor([b] { return !b->isDown(); });
}

class EachControl : public Views, public ::testing::WithParamInterface<std::tuple<Row, bool>> {};

TEST_P(EachControl, ReachesTheProgramUnderItsCaption) {
    const auto& [row, by_hand] = GetParam();
    QWidget* win = open(row.window);
    for (const Step& s : row.steps) {
        QWidget* w = find(win, s.name);
        EXPECT_EQ(announced(w), s.name);
        work(w, s, by_hand);
    }
    EXPECT_EQ(sent(), row.bytes);
    EXPECT_TRUE(!row.then || row.then(rig));
}

std::string row_name(const ::testing::TestParamInfo<std::tuple<Row, bool>>& info) {
    const auto& [row, by_hand] = info.param;
    std::string out = row.window + ("_" + std::string(row.steps.back().name));
    for (char& c : out) c = c == ' ' ? '_' : c;
    return out + (by_hand ? "_ByHand" : "_ThroughTheInterface");
}

INSTANTIATE_TEST_SUITE_P(Views, EachControl,
                         ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         row_name);

// A real mouse press on the slew pad or a FOCUS button sends the move and its release the stop,
// and the stop still goes out, once, when the release never comes to the button (the pointer
// left it, the window lost the focus, the button was switched off).
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
    {"AMenuPopsUp", "Slew south", Qt::LeftButton, M::Popup, "#Ms##Qs#", ""},
    {"SwitchedOff", "Slew south", Qt::LeftButton, M::SwitchOff, "#Ms##Qs#", ""},
    {"EscapePressed", "Slew south", Qt::LeftButton, M::Escape, "#Ms##Q#", ""},
};
// clang-format on

class SlewPad : public Views, public ::testing::WithParamInterface<Hold> {};

TEST_P(SlewPad, AHoldSendsOneMoveAndOneStop) {
    const Hold& h = GetParam();
    auto* b = find<QAbstractButton>(open("main"), h.button);
    QMenu menu;
    QTest::mousePress(b, h.mouse);
    const QPoint outside(-40, -40);  // well outside the button, whichever button it is
    if (h.meanwhile == M::Leave) QTest::mouseMove(b, outside);
    for (int i = 0; h.meanwhile == M::ComeBack && i < 2; ++i) {  // and leaves and comes again
        QTest::mouseMove(b, outside);
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
    QTest::mouseRelease(b, h.mouse, {}, h.meanwhile == M::Leave ? outside : QPoint());
    EXPECT_EQ(sent(), h.after);
    EXPECT_FALSE(b->isDown());
}

INSTANTIATE_TEST_SUITE_P(Views, SlewPad, ::testing::ValuesIn(kHolds),
                         [](const auto& hold) { return std::string(hold.param.what); });

// Every control of the main window is one widget announced by its name, and so is every other
// widget of every window but the separator lines; a caption that changes is read out at once.
TEST_F(Views, EveryControlIsOneWidgetAnnouncedByItsCaption) {
    for (QWidget* window : {open("settings"), open("firmware"), open("traffic"), open("main")})
        for (auto* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(w->metaObject() == &QFrame::staticMetaObject || !announced(w).empty())
                << w->objectName().toStdString();
    for (auto* c : rig.main.all_controls()) {
        const auto found = main.findChildren<QWidget*>(QString::fromStdString(c->name()));
        ASSERT_EQ(found.size(), 1) << c->name();
        EXPECT_EQ(announced(found[0]), c->accessible_name()) << c->name();
    }
    rig.main.connect_button.click();
    EXPECT_EQ(announced(find(&main, "CONNECT")), "CONNECT");
}

// What the program puts in a control is what the widget shows.
TEST_F(Views, TheModelsChangesReachTheWidgets) {
    EXPECT_EQ(find<QLineEdit>(&main, "Firmware password")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(find<QLineEdit>(&main, "Orvantis ver.")->isReadOnly());
    rig.main.pulse_time.set_text("300");
    rig.main.rev_dec.set_value(1);
    rig.main.elapsed_label.set_caption("42");
    EXPECT_EQ(find<QLineEdit>(&main, "Pulse time (ms)")->text(), "300");
    EXPECT_TRUE(find<QCheckBox>(&main, "Rev DEC")->isChecked());
    EXPECT_EQ(find<QLabel>(&main, "Seconds into exposure: 42")->text(), "42");
    // A COM entry tells what device it is, to the pointer and to assistive technology.
    rig.main.port_list.add_item("COM7", "/dev/ttyUSB0, FTDI");
    auto* ports = find<QComboBox>(&main, "PORT");
    for (const int role : {Qt::ToolTipRole, Qt::AccessibleDescriptionRole})
        EXPECT_EQ(ports->itemData(ports->findText("COM7"), role).toString().toStdString(),
                  "/dev/ttyUSB0, FTDI");
    // A list follows its lines as they come, go from the front, or all go.
    auto& model = rig.program.firmware.file_lines;
    for (const char* line : {":00", ":01", ":02"}) model.add_item(line);
    auto* lines = find<QListWidget>(open("firmware"), "File lines");
    model.drop_front(1);
    model.add_item(":03");
    EXPECT_EQ((lines->item(0)->text() + lines->item(2)->text()).toStdString(), ":01:03");
    model.clear_items();
    model.add_item(":04");
    EXPECT_EQ(lines->count(), 1);
}

// Up in the command box brings back the command sent before and Enter there is SEND; Alt and
// the underlined letter press a main button; Enter in Port Settings is OK.
TEST_F(Views, TheKeysDoWhatTheirButtonsDo) {
    rig.main.command_history.add_item(":GR#");
    auto* command = find<QLineEdit>(open("main"), "Send Direct LX200 commands");
    QTest::keyClick(command, Qt::Key_Up);
    QTest::keyClick(command, Qt::Key_Return);
    EXPECT_EQ(sent(), ":GR#");
    QTest::keyClick(&main, Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([this] { return rig.settings.visible(); }, 2000));
    int oks = 0;
    rig.settings.ok_button.clicked.connect([&oks] { ++oks; });
    open("settings");
    QTest::keyClick(find<QComboBox>(&settings, "IP Port")->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(oks, 1);
}

// What Tab walks through in a window, as a screen reader announces it, once round; `at_each`
// runs on each control as it has the focus.
std::string tab_walk(QWidget* window, const std::function<void(QWidget*)>& at_each = {}) {
    std::string seen;  // from where the window put the focus when it was shown
    for (QWidget *first = window->focusWidget(), *f = first;
         seen.size() < 2000 && (seen.empty() || f != first); f = QApplication::focusWidget()) {
        seen += (seen.empty() ? "" : "|") + announced(f);
        if (at_each) at_each(f);
        QTest::keyClick(f, Qt::Key_Tab);
    }
    return seen;
}

// Escape stops the mount and the focuser whichever control has the focus, in the main window
// and in a window in front of it (which it closes as ever); Space on a slew button stops
// instead of moving.
TEST_F(Views, TabWalksEveryControlInReadingOrderAndEscapeOnEachStopsWhatMoves) {
    rig.main.setpoint_box[0].set_text("100");
    const auto stopped_by = [this](Qt::Key key) {  // sent to the control with the focus
        rig.main.goto_setpoint[0].click();
        QTest::keyClick(static_cast<QWidget*>(nullptr), key);
        return sent() == "#F-##Q##FQ#";
    };
    EXPECT_EQ(tab_walk(open("main"),
                       [&](QWidget* f) {
                           EXPECT_TRUE(stopped_by(Qt::Key_Escape)) << announced(f);
                           const bool pad =
                               announced(f).starts_with("Slew") || announced(f) == "Stop slewing";
                           EXPECT_TRUE(!pad || stopped_by(Qt::Key_Space)) << announced(f);
                       }),
              "PORT|DISCONNECT|Port Settings|Orvantis ver.|RF Channel|READ|"
              "Slew south|Slew east|Stop slewing|Slew west|Slew north|Pulse Guide Mode|"
              "Pulse time (ms)|FOCUS|Focus position|FOCUS |Focus Setpoint 1|SET|Focus GOTO|"
              "Focus Setpoint 2|SET|Focus GOTO|Scroll Increment Value|"
              "Shutter ON|Shutter OFF|Auto Shutter START|Exp. secs|Exp. Gap|Exp. Count|"
              "Send Direct LX200 commands|Earlier commands|SEND|Firmware password|FirmWare Upload|"
              "Read Settings|Write Settings|Product Code|Firmware ver.|Rev RA|Rev DEC|"
              "AutoStar2 Emulation Mode|Sequential Guiding|Night mode|Brightness|Traffic|EXIT");
    EXPECT_EQ(tab_walk(open("settings")), "BAUDRATE|IP Address|IP Port|OK");
    EXPECT_TRUE(stopped_by(Qt::Key_Escape));
    EXPECT_FALSE(settings.isVisible());
}

// The close control ends the program as EXIT does, closing every window; during a firmware run
// it asks first, and No leaves the run and the window as they were.
TEST_F(Views, TheCloseControlEndsTheProgramUnlessAFirmwareRunIsKept) {
    rig.load_firmware(":0400000001020304F2\r\n:00000001FF\r\n");
    rig.program.firmware.boot_up.click();
    rig.serial.arrive("2#");
    rig.program.firmware.program_button.click();
    ASSERT_TRUE(rig.program.programmer.running());
    rig.dialogs.answers = {platform::Answer::No, platform::Answer::Yes};
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(rig.program.programmer.running());
    main.close();
    EXPECT_FALSE(main.isVisible() || firmware.isVisible());
}

// A window goes back where it was if that is still on a screen; a place that is off every
// screen now (a second monitor unplugged) brings it onto the primary screen. Where the user
// moves it is kept, and its close control tells the program.
TEST_F(Views, WindowsComeBackWhereTheyWereAndStayOnTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    rig.settings.set_position(area.right() + 2000, area.y() + 10);
    EXPECT_TRUE(area.contains(open("settings")->frameGeometry())) << settings.x();
    rig.program.firmware.set_position(area.x() + 70, area.y() + 80);
    EXPECT_EQ(open("firmware")->pos(), area.topLeft() + QPoint(70, 80));
    firmware.move(area.topLeft() + QPoint(90, 100));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return rig.program.firmware.position().y == area.y() + 100; }));
    firmware.close();
    EXPECT_FALSE(rig.program.firmware.visible());
}

}  // namespace
}  // namespace orv::gui
