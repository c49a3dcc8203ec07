// The windows worked the way assistive technology works them: through the accessibility
// interface, not through mouse and key events. What a screen reader or voice control does
// there must reach the program exactly as the user's own hand does.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>

#include "views.h"

namespace orv::gui {
namespace {

QAccessibleInterface* accessible(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a == nullptr) throw std::runtime_error("no accessible interface");
    return a;
}

void set_value_text(QWidget* w, const QString& text) {
    accessible(w)->setText(QAccessible::Value, text);
}

void act(QAccessibleInterface* a, const QString& action) {
    auto* actions = a->actionInterface();
    if (actions == nullptr) throw std::runtime_error("no action interface");
    actions->doAction(action);
}

// Picks an entry of a combo box that only offers its list, as a screen reader's user does: the
// list's entry is selected through the interface.
void choose(QComboBox* combo, const QString& entry) {
    QAccessibleInterface* list = accessible(combo)->child(0);
    for (int i = 0; i < list->childCount(); ++i)
        if (list->child(i)->text(QAccessible::Name) == entry)
            act(list->child(i), QAccessibleActionInterface::toggleAction());
}

void act(QWidget* w, const QString& action) {
    auto* actions = accessible(w)->actionInterface();
    if (actions == nullptr) throw std::runtime_error("no action interface");
    actions->doAction(action);
}

TEST_F(Views, TextSetThroughTheAccessibilityInterfaceReachesTheProgram) {
    int changes = 0;
    rig.main.pulse_time.changed.connect([&changes] { ++changes; });
    auto* pulse = find<QLineEdit>(&main, "Pulse time (ms)");
    set_value_text(pulse, "150");
    EXPECT_EQ(rig.main.pulse_time.text(), "150");
    EXPECT_EQ(changes, 1);
    // Typing a pulse time switches pulse mode on, whichever way the text came.
    EXPECT_EQ(rig.main.pulse_mode.value(), 1);

    // The same for the editable lists of the port settings window.
    open_port_settings();
    set_value_text(find<QComboBox>(&settings, "IP Port")->lineEdit(), "4002");
    EXPECT_EQ(rig.settings.ip_port.text(), "4002");

    // A change the program makes is shown and handled once, as before.
    changes = 0;
    rig.main.pulse_time.set_text("300");
    EXPECT_EQ(pulse->text(), "300");
    EXPECT_EQ(changes, 1);
}

TEST_F(Views, ACheckBoxToggledThroughTheAccessibilityInterfaceReachesTheProgram) {
    auto* rev_ra = find<QCheckBox>(&main, "Rev RA");
    act(rev_ra, QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(rev_ra->isChecked());
    EXPECT_EQ(rig.main.rev_ra.value(), 1);
    act(rev_ra, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(rig.main.rev_ra.value(), 0);
    // A program-made change is shown without coming back as a user's change.
    int changes = 0;
    rig.main.rev_ra.changed.connect([&changes] { ++changes; });
    rig.main.rev_ra.set_value(1);
    EXPECT_TRUE(rev_ra->isChecked());
    EXPECT_EQ(changes, 1);
}

TEST_F(Views, AButtonsAccessibleNameFollowsItsCaption) {
    auto* connect = find<QAbstractButton>(&main, "CONNECT");
    rig.main.connect_button.set_caption("DISCONNECT");
    EXPECT_EQ(connect->accessibleName(), "DISCONNECT");
    EXPECT_EQ(accessible(connect)->text(QAccessible::Name), "DISCONNECT");
    rig.main.auto_shutter.set_caption("Auto Shutter STOP");
    EXPECT_EQ(rig.main.auto_shutter.accessible_name(), "Auto Shutter STOP");
    // A button named by what it does, not by its caption, keeps that name.
    rig.main.slew_up.set_caption("x");
    EXPECT_EQ(rig.main.slew_up.accessible_name(), "Slew south");
}

TEST_F(Views, AButtonPressedThroughTheAccessibilityInterfaceIsAClick) {
    int clicks = 0;
    rig.main.port_settings_button.clicked.connect([&clicks] { ++clicks; });
    act(find<QAbstractButton>(&main, "Port Settings"), QAccessibleActionInterface::pressAction());
    // The press is animated: the click comes a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&clicks] { return clicks == 1; }, 2000));
}

// The commands sent before come back with Up in the command box, and from the list beside it
// chosen through the accessibility interface.
TEST_F(Views, EarlierCommandsComeBackByKeyAndFromTheList) {
    for (const char* c : {":GR#", "#Q#"}) rig.main.command_history.add_item(c);  // as restored
    auto* box = find<QLineEdit>(&main, "Send Direct LX200 commands");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(rig.main.command_box.text(), ":GR#");
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), "#Q#");
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), "");
    choose(find<QComboBox>(&main, "Earlier commands"), "#Q#");
    EXPECT_EQ(rig.main.command_box.text(), "#Q#");
    EXPECT_EQ(box->text(), "#Q#");
}

// The Traffic window opens from its button, and is worked through the same interface: the pause
// toggled, the filter chosen, Copy pressed, each reaching the program.
TEST_F(Views, TheTrafficWindowIsWorkedThroughTheAccessibilityInterface) {
    rig.program.traffic.add(link::Flow::Opened, "COM3");
    rig.program.traffic.add(link::Flow::Sent, "GVn#");
    rig.program.traffic.add(link::Flow::Received, "1.20#");
    act(find<QAbstractButton>(&main, "Traffic"), QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([this] { return rig.program.traffic_window.visible(); }, 2000));
    QWidget* traffic = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->windowTitle() == "Traffic" && w->isVisible()) traffic = w;
            return traffic != nullptr;
        },
        2000));
    auto* lines = find<QListWidget>(traffic, "Traffic");
    EXPECT_EQ(lines->count(), 3);
    act(find<QCheckBox>(traffic, "Pause"), QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(rig.program.traffic_window.pause.checked());
    rig.program.traffic.add(link::Flow::Sent, ":Q#");
    EXPECT_EQ(lines->count(), 3);
    act(find<QCheckBox>(traffic, "Pause"), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(lines->count(), 4);
    // A list that only offers its entries: the entry chosen in its list.
    choose(find<QComboBox>(traffic, "Show"), "Received");
    EXPECT_EQ(rig.program.traffic_window.direction.text(), "Received");
    EXPECT_EQ(lines->count(), 2);
    act(find<QAbstractButton>(traffic, "Copy"), QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::clipboard()->text().endsWith("1.20#\n"); }, 2000));
    act(find<QAbstractButton>(traffic, "Close"), QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !rig.program.traffic_window.visible(); }, 2000));
}

}  // namespace
}  // namespace orv::gui

namespace orv::gui {
namespace {

// What a screen reader says a control is. On Linux a combo box's own name is its current entry;
// what it is comes from the label that names it.
QString announced(QWidget* w) {
    QAccessibleInterface* a = accessible(w);
    if (a->role() == QAccessible::ComboBox)
        for (const auto& [label, relation] : a->relations(QAccessible::Label))
            return label->text(QAccessible::Name);
    return a->text(QAccessible::Name);
}

// What Tab walks through in a window, as a screen reader announces it, once round.
std::vector<std::pair<QWidget*, QString>> tab_walk(QWidget* window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* first = window->nextInFocusChain();
    while (!(first->focusPolicy() & Qt::TabFocus) || !first->isEnabled() || !first->isVisible())
        first = first->nextInFocusChain();
    first->setFocus(Qt::TabFocusReason);
    std::vector<std::pair<QWidget*, QString>> seen;
    for (int i = 0; i < 200; ++i) {
        QWidget* f = QApplication::focusWidget();
        if (!seen.empty() && f == seen.front().first) break;
        seen.emplace_back(f, announced(f));
        QTest::keyClick(f, Qt::Key_Tab);
    }
    return seen;
}

TEST_F(Views, TabWalksEveryControlOnceInReadingOrderAndEachSaysWhatItIs) {
    rig.main.port_list.set_text("COM3");
    // Connected, so that the device controls are in the walk.
    rig.main.enable_controls(true, "orvantis");
    const auto walk = tab_walk(&main);
    QStringList names;
    for (const auto& [w, name] : walk) {
        names << name;
        EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className();
        // A name made of the control's kind and a number says nothing to a listener.
        EXPECT_FALSE(name.contains(QRegularExpression("^(Command|Text|Check|Combo)[0-9]+$")))
            << name.toStdString();
    }
    // Every enabled control that takes the focus is reached, once.
    int focusable = 0;
    for (QWidget* w : main.findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisible() &&
            w->focusProxy() == nullptr)
            ++focusable;
    EXPECT_EQ(static_cast<int>(walk.size()), focusable) << names.join(" | ").toStdString();
    // The groups come in the order they stand in the window, and each group in its own order.
    const QStringList expected_order = {"PORT",
                                        "CONNECT",
                                        "Port Settings",
                                        "RF Channel",
                                        "Slew south",
                                        "Pulse Guide Mode",
                                        "Focus position",
                                        "Exp. secs",
                                        "Exp. Gap",
                                        "Exp. Count",
                                        "Send Direct LX200 commands",
                                        "SEND",
                                        "Firmware password",
                                        "Read Settings",
                                        "Rev RA",
                                        "Night mode",
                                        "Brightness",
                                        "Traffic",
                                        "EXIT"};
    qsizetype at = 0;
    for (const QString& name : expected_order) {
        const qsizetype found = names.indexOf(name, at);
        EXPECT_GE(found, 0) << name.toStdString() << " after " << at << " in "
                            << names.join(" | ").toStdString();
        if (found >= 0) at = found + 1;
    }

    // Port Settings: its boxes, then OK.
    open_port_settings();
    QStringList settings_names;
    for (const auto& [w, name] : tab_walk(&settings)) {
        EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className();
        settings_names << name;
    }
    EXPECT_GE(settings_names.size(), 3) << settings_names.join(" | ").toStdString();
}

}  // namespace
}  // namespace orv::gui
