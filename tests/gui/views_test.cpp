// The real windows against the whole program on fakes. Each control reaches the program the
// same by hand (mouse and keys) as through the accessibility interface, under a name equal to
// its caption; the model's changes reach the widgets; the keys, the tab walk and the ways out.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <string>
#include <vector>

#include "app/bind.h"
#include "views.h"

namespace orv::gui {
namespace {

QStringList items(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
}

// What a screen reader says a control is. On Linux a combo box's own name is its current entry;
// what it is comes from the label that names it.
QString announced(QWidget* w) {
    QAccessibleInterface* a = accessible(w);
    if (a->role() == QAccessible::ComboBox)
        for (const auto& [label, relation] : a->relations(QAccessible::Label))
            return label->text(QAccessible::Name);
    return a->text(QAccessible::Name);
}

enum class Way { Press, Toggle, Type, Choose };
enum class Path { ByHand, Accessibility };

struct Step {
    const char* object;  // the widget's object name in its window ("": found by its name)
    const char* name;    // its caption, which is also what assistive technology reads
    Way way = Way::Press;
    const char* text = "";
};

struct Row {
    const char* window;
    std::vector<Step> steps;
    std::string bytes;                          // what goes to the box
    std::function<bool(fake::Rig&)> then = {};  // and what the program shows after
};

using R = fake::Rig&;
// clang-format off
const std::vector<Row> kRows = {
    {"main", {{"Command8", "DISCONNECT"}}, "", [](R r) { return !r.main.read_channel.enabled(); }},
    {"main", {{"Command24", "Port Settings"}}, "", [](R r) { return r.settings.visible(); }},
    {"main", {{"Command9", "READ"}}, "#gCh#"},
    {"main", {{"Text1", "RF Channel", Way::Type, "7"}, {"Command10", "WRITE"}}, "#sCh\x07#"},
    {"main", {{"Command1", "Slew south"}}, "#Ms##Qs#"},
    {"main", {{"Command3", "Slew north"}}, "#Mn##Qn#"},
    {"main", {{"Command4", "Slew east"}}, "#Me##Qe#"},
    {"main", {{"Command2", "Slew west"}}, "#Mw##Qw#"},
    {"main", {{"Command5", "Stop slewing"}}, "#Q#"},
    {"main", {{"Check1", "Pulse Guide Mode", Way::Toggle}, {"Command1", "Slew south"}}, "#Mgs2000#"},
    {"main", {{"pg_time", "Pulse time (ms)", Way::Type, "150"}, {"Command3", "Slew north"}},
     "#Mgn150#"},
    {"main", {{"Command6", "FOCUS"}}, "#F+##FQ#"},
    {"main", {{"Command7", "FOCUS "}}, "#F-##FQ#"},
    {"main", {{"Text14", "Focus Setpoint 1", Way::Type, "100"}, {"Command21", "Focus GOTO"}}, "#F-#"},
    {"main", {{"Text15", "Focus Setpoint 2", Way::Type, "9000"}, {"Command22", "Focus GOTO"}},
     "#F+#"},
    {"main", {{"Text13", "Focus position", Way::Type, "300"}, {"Command23", "SET"}}, "",
     [](R r) { return r.main.setpoint_box[1].text() == "300"; }},
    {"main", {{"Command16", "Shutter ON"}}, "#XP1#"},
    {"main", {{"Command17", "Shutter OFF"}}, "#XP0#"},
    {"main", {{"Text9", "Exp. secs", Way::Type, "5"}, {"Text10", "Exp. Gap", Way::Type, "2"},
              {"Text11", "Exp. Count", Way::Type, "1"}, {"Command18", "Auto Shutter START"}},
     "#XP1#", [](R r) { return r.main.auto_shutter.caption() == "Auto Shutter STOP"; }},
    {"main", {{"Text12", "Send Direct LX200 commands", Way::Type, ":GR#"}, {"Command19", "SEND"}},
     ":GR#"},
    {"main", {{"cboHistory", "Earlier commands", Way::Choose, "#Q#"}, {"Command19", "SEND"}}, "#Q#"},
    {"main", {{"Command13", "Read Settings"}}, "#gRV#"},
    {"main", {{"CheckRA", "Rev RA", Way::Toggle}}, "", [](R r) { return r.main.rev_ra.value(); }},
    {"main", {{"CheckDEC", "Rev DEC", Way::Toggle}}, "", [](R r) { return r.main.rev_dec.value(); }},
    {"main", {{"cboBrightness", "Brightness", Way::Choose, "Dim"}}, "",
     [](R r) { return r.main.night_brightness.text() == "Dim"; }},
    {"main", {{"Combo1", "PORT", Way::Type, "COM4"}}, "",
     [](R r) { return r.main.port_list.text() == "COM4"; }},
    {"main", {{"cmdTraffic", "Traffic"}}, "", [](R r) { return r.program.traffic_window.visible(); }},
    {"main", {{"Command12", "EXIT"}}, "", [](R r) { return r.program.finished(); }},
    {"settings", {{"Cbaud", "BAUDRATE", Way::Type, "19200"}}, "",
     [](R r) { return r.settings.baud_box.text() == "19200"; }},
    {"settings", {{"IPaddr", "IP Address", Way::Type, "10.1.1.1"}, {"Command1", "OK"}}, "",
     [](R r) { return r.settings.ip_address.items().front() == "192.168.1.3" && !r.settings.visible(); }},
    {"settings", {{"IPport", "IP Port", Way::Type, "4002"}}, "",
     [](R r) { return r.settings.ip_port.text() == "4002"; }},
    {"firmware", {{"Command1", "Browse.."}}, "",
     [](R r) { return r.program.firmware.file_box.text() == "/fw/box.hex"; }},
    {"firmware", {{"Command4", "EXIT"}}, "", [](R r) { return !r.program.firmware.visible(); }},
    {"traffic", {{"", "Pause", Way::Toggle}}, "",
     [](R r) { return r.program.traffic_window.pause.checked(); }},
    {"traffic", {{"", "Show", Way::Choose, "Received"}}, "",
     [](R r) { return r.program.traffic_window.direction.text() == "Received"; }},
    {"traffic", {{"", "Copy"}}, "",
     [](R) { return QGuiApplication::clipboard()->text().endsWith("1.20#\n"); }},
    {"traffic", {{"", "Close"}}, "", [](R r) { return !r.program.traffic_window.visible(); }},
};
// clang-format on

class EachControl : public Views, public ::testing::WithParamInterface<std::tuple<Row, Path>> {
protected:
    QWidget* window(const std::string& which) {
        if (which == "settings") open_port_settings();
        if (which == "firmware") open_firmware();
        if (which == "traffic") return open_traffic();
        return which == "main"       ? static_cast<QWidget*>(&main)
               : which == "settings" ? static_cast<QWidget*>(&settings)
                                     : static_cast<QWidget*>(&firmware);
    }
    void by_hand(QWidget* w, const Step& s) {
        auto* combo = qobject_cast<QComboBox*>(w);
        if (s.way == Way::Press || s.way == Way::Toggle) {
            QTest::mouseClick(w, Qt::LeftButton);
        } else if (s.way == Way::Type) {
            retype(combo ? combo->lineEdit() : static_cast<QLineEdit*>(w), s.text);
        } else {  // the list opened from the keyboard, walked down to the entry, Enter
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
            QAbstractItemView* list = combo->view();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
            for (int i = 0; i < combo->count() && list->currentIndex().data() != s.text; ++i)
                QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
        }
    }
    void through_the_interface(QWidget* w, const Step& s) {
        auto* combo = qobject_cast<QComboBox*>(w);
        if (s.way == Way::Press) {
            act(w, QAccessibleActionInterface::pressAction());
            // The press is animated: the release and the click come a moment later.
            ASSERT_TRUE(
                QTest::qWaitFor([w] { return !static_cast<QAbstractButton*>(w)->isDown(); }));
        } else if (s.way == Way::Toggle) {
            act(w, QAccessibleActionInterface::toggleAction());
        } else if (s.way == Way::Type) {
            accessible(combo ? combo->lineEdit() : w)->setText(QAccessible::Value, s.text);
        } else {
            choose(combo, s.text);
        }
    }
};

TEST_P(EachControl, ReachesTheProgramUnderItsCaption) {
    const auto& [row, path] = GetParam();
    for (const char* c : {":GR#", "#Q#"}) rig.main.command_history.add_item(c);  // as restored
    offer_firmware_file();
    connect_box();
    QWidget* win = window(row.window);
    ASSERT_NE(win, nullptr);
    sent();
    for (const Step& s : row.steps) {
        QWidget* w = *s.object ? win->findChild<QWidget*>(s.object) : find<QWidget>(win, s.name);
        ASSERT_NE(w, nullptr) << s.object;
        EXPECT_EQ(announced(w).toStdString(), s.name);
        if (path == Path::ByHand) {
            by_hand(w, s);
        } else {
            through_the_interface(w, s);
        }
    }
    EXPECT_EQ(sent(), row.bytes);
    EXPECT_TRUE(!row.then || row.then(rig));
    EXPECT_EQ(rig.dialogs.messages(), std::vector<std::string>{});
}

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.window;
    for (const Step& s : row.steps) *out << ", " << s.name;
}

std::string row_name(const ::testing::TestParamInfo<std::tuple<Row, Path>>& info) {
    const auto& [row, path] = info.param;
    std::string out = row.window;
    for (const Step& s : row.steps) {
        out += '_';
        for (const char* c = s.name; *c; ++c)
            if (*c == ' ' || std::isalnum(static_cast<unsigned char>(*c)))
                out += *c == ' ' ? '_' : *c;
    }
    return out + (path == Path::ByHand ? "_ByHand" : "_ThroughTheInterface");
}

INSTANTIATE_TEST_SUITE_P(Views, EachControl,
                         ::testing::Combine(::testing::ValuesIn(kRows),
                                            ::testing::Values(Path::ByHand, Path::Accessibility)),
                         row_name);

TEST_F(Views, EveryControlIsOneWidgetWithANameAndAButtonsNameFollowsItsCaption) {
    for (auto* c : rig.main.all_controls())
        EXPECT_EQ(main.findChildren<QWidget*>(QString::fromStdString(c->name())).size(), 1)
            << c->name();
    // Every widget placed on a window, bound or not, except the plain separator lines.
    for (QWidget* window : std::initializer_list<QWidget*>{&main, &settings, &firmware})
        for (auto* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(w->metaObject() == &QFrame::staticMetaObject ||
                        !w->accessibleName().isEmpty())
                << w->objectName().toStdString();
    // A button's name is its caption, and a new caption is read out at once; a button named
    // by what it does, not by a caption, keeps that name.
    for (auto* c : rig.main.all_controls()) {
        auto* button = dynamic_cast<ui::Button*>(c);
        if (button == nullptr) continue;
        auto* w = main.findChild<QAbstractButton*>(QString::fromStdString(c->name()));
        const std::string before = accessible(w)->text(QAccessible::Name).toStdString();
        const bool by_caption = !w->text().isEmpty();
        EXPECT_EQ(before,
                  by_caption ? w->text().remove('&').toStdString() : button->accessible_name());
        button->set_caption("New " + before);
        EXPECT_EQ(accessible(w)->text(QAccessible::Name).toStdString(),
                  by_caption ? "New " + before : before);
    }
    EXPECT_EQ(find<QAbstractButton>(&main, "New CONNECT")->text(), "New &CONNECT");
    EXPECT_EQ(app::with_access_key("Power & Connections", 'C'), "Power && &Connections");
}

// What the program puts in a control is what the widget shows, once, without coming back as
// a user's edit.
TEST_F(Views, TheModelsChangesReachTheWidgets) {
    EXPECT_EQ(main.windowTitle() + "|" + settings.windowTitle() + "|" + firmware.windowTitle(),
              "Orvantis Utility x.21|Form1|Firmware Update");
    EXPECT_FALSE(main.windowIcon().isNull());
    EXPECT_EQ(find<QLineEdit>(&main, "Firmware password")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(find<QLineEdit>(&main, "Orvantis ver.")->isReadOnly());
    EXPECT_FALSE(find<QAbstractButton>(&main, "Stop slewing")->icon().isNull());

    int changes = 0;
    rig.main.pulse_time.changed.connect([&changes] { ++changes; });
    rig.main.rev_dec.changed.connect([&changes] { ++changes; });
    auto* pulse = find<QLineEdit>(&main, "Pulse time (ms)");
    QSignalSpy edited(pulse, &QLineEdit::textEdited);
    rig.main.pulse_time.set_text("300");
    rig.main.rev_dec.set_value(1);
    EXPECT_EQ(pulse->text(), "300");
    EXPECT_TRUE(find<QCheckBox>(&main, "Rev DEC")->isChecked());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(edited.count(), 0);
    accessible(pulse)->setText(QAccessible::Value, "150");  // one change as well
    EXPECT_EQ(changes, 3);
    rig.main.elapsed_label.set_caption("42");
    EXPECT_EQ(find<QLabel>(&main, "Seconds into exposure: 42")->text(), "42");

    // The indicator paints the colour it says: red while closed, green while open.
    auto* lamp = find<app::ShapeWidget>(&main, "Shutter indicator: off");
    const auto centre = [lamp] { return lamp->grab().toImage().pixelColor(lamp->rect().center()); };
    EXPECT_EQ(centre(), QColor(255, 0, 0));
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    EXPECT_EQ(lamp->accessibleName(), "Shutter indicator: on");
    EXPECT_EQ(centre(), QColor(0, 255, 0));

    // A COM entry tells what device it is, to the pointer and to assistive technology.
    rig.main.port_list.add_item("COM7", "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    auto* ports = find<QComboBox>(&main, "PORT");
    EXPECT_EQ(items(ports), (QStringList{"COM3", "Search COM", "TCP Port", "COM7"}));
    for (const int role : {Qt::ToolTipRole, Qt::AccessibleDescriptionRole})
        EXPECT_EQ(ports->itemData(3, role).toString(), "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    EXPECT_FALSE(ports->itemData(1, Qt::ToolTipRole).isValid());  // "Search COM"

    // A list follows its lines as they come, go from the front, or all go; a bar never shows
    // more than its end.
    auto& model = rig.program.firmware.file_lines;
    for (const char* line : {":00", ":01", ":02"}) model.add_item(line);
    auto* lines = find<QListWidget>(&firmware, "File lines");
    model.drop_front(1);
    model.add_item(":03");
    EXPECT_EQ(lines->count(), 3);
    EXPECT_EQ(lines->item(0)->text() + lines->item(2)->text(), ":01:03");
    model.clear_items();
    model.add_item(":04");
    EXPECT_EQ(lines->count(), 1);
    auto* bar = firmware.findChild<QProgressBar*>();
    rig.program.firmware.progress.set_value(rig.program.firmware.progress.maximum() + 10);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(Views, TheSetpointSpinnersArrowsStepByTheIncrement) {
    auto* spinner = find<QScrollBar>(&main, "Focus Setpoint 1 spinner");
    EXPECT_EQ(spinner->maximum(), 9999);
    rig.main.setpoint_spinner[0].set_value(500);
    EXPECT_EQ(spinner->value(), 500);
    // The lower arrow raises the value, the upper one lowers it, by the increment box's 50.
    const int x = spinner->width() / 2;
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {x, spinner->height() - 3});
    EXPECT_EQ(rig.main.setpoint_spinner[0].value(), 550);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {x, 3});
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {x, 3});
    EXPECT_EQ(rig.main.setpoint_spinner[0].value(), 450);
}

// Up in the command box brings back the commands sent before and Enter there is SEND; Alt and
// the underlined letter press a main button from wherever the focus is; Enter in Port Settings
// is OK and Escape its close control.
TEST_F(Views, TheKeysDoWhatTheirButtonsDo) {
    connect_box();
    for (const char* c : {":GR#", "#Q#"}) rig.main.command_history.add_item(c);
    make_active(&main);
    auto* command = find<QLineEdit>(&main, "Send Direct LX200 commands");
    command->setFocus();
    QTest::keyClick(command, Qt::Key_Up);
    EXPECT_EQ(rig.main.command_box.text(), ":GR#");
    QTest::keyClick(command, Qt::Key_Return);
    EXPECT_EQ(sent(), ":GR#");
    QTest::keyClick(&main, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return rig.settings.visible(); }, 2000));

    make_active(&settings);
    auto* address = find<QComboBox>(&settings, "IP Address");
    retype(address->lineEdit(), "10.3.3.3");
    QTest::keyClick(address->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(rig.settings.visible());
    EXPECT_EQ(items(address), (QStringList{"192.168.1.3", "10.0.0.9"}));  // OK: the old on top
    open_port_settings();
    retype(address->lineEdit(), "10.4.4.4");
    QTest::keyClick(address->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(rig.settings.visible());
    EXPECT_EQ(items(address), (QStringList{"192.168.1.3", "10.0.0.9"}));  // not OK
}

// What Tab walks through in a window, as a screen reader announces it, once round.
QString tab_walk(QWidget* window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* first = window->nextInFocusChain();
    while (!(first->focusPolicy() & Qt::TabFocus) || !first->isEnabled() || !first->isVisible())
        first = first->nextInFocusChain();
    first->setFocus(Qt::TabFocusReason);
    QStringList seen;
    for (QWidget* f = first; seen.size() < 200 && (seen.isEmpty() || f != first);
         f = QApplication::focusWidget()) {
        seen << announced(f);
        QTest::keyClick(f, Qt::Key_Tab);
    }
    return seen.join('|');
}

TEST_F(Views, TabWalksEveryControlOnceInReadingOrderAndEachSaysWhatItIs) {
    connect_box();  // so that the device controls are in the walk
    EXPECT_EQ(tab_walk(&main),
              "PORT|DISCONNECT|Port Settings|Orvantis ver.|RF Channel|READ|"
              "Slew south|Slew east|Stop slewing|Slew west|Slew north|Pulse Guide Mode|"
              "Pulse time (ms)|FOCUS|Focus position|FOCUS |Focus Setpoint 1|SET|Focus GOTO|"
              "Focus Setpoint 2|SET|Focus GOTO|Scroll Increment Value|"
              "Shutter ON|Shutter OFF|Auto Shutter START|Exp. secs|Exp. Gap|Exp. Count|"
              "Send Direct LX200 commands|Earlier commands|SEND|Firmware password|FirmWare Upload|"
              "Read Settings|Write Settings|Product Code|Firmware ver.|Rev RA|Rev DEC|"
              "AutoStar2 Emulation Mode|Sequential Guiding|Night mode|Brightness|Traffic|EXIT");
    open_port_settings();
    EXPECT_EQ(tab_walk(&settings), "BAUDRATE|IP Address|IP Port|OK");
}

// The close control ends the program as EXIT does, saving and closing every window; during a
// firmware run it asks first, and No leaves the run and the window as they were.
TEST_F(Views, TheCloseControlEndsTheProgramUnlessAFirmwareRunIsKept) {
    connect_box();
    open_port_settings();
    offer_firmware_file();
    rig.main.password_box.set_text("7reed4reed");
    rig.main.firmware_upload.click();
    rig.program.firmware.browse.click();
    rig.program.firmware.boot_up.click();
    rig.serial.arrive("2#");
    rig.program.firmware.program_button.click();
    ASSERT_TRUE(rig.program.programmer.running());

    rig.dialogs.answers = {platform::Answer::No};
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(rig.program.programmer.running());
    EXPECT_EQ(rig.store.commits, 0);
    rig.dialogs.answers = {platform::Answer::Yes};
    main.close();
    EXPECT_TRUE(rig.program.finished());
    EXPECT_EQ(rig.store.commits, 1);
    EXPECT_EQ(rig.saved("IPaddr"), "192.168.1.3");
    for (QWidget* w : std::initializer_list<QWidget*>{&main, &settings, &firmware})
        EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
}

// A window goes back where it was if that is still on a screen; a place that is off every
// screen now (a second monitor unplugged) brings it to the middle of the primary screen.
TEST_F(Views, WindowsComeBackWhereTheyWereAndStayOnTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    rig.settings.set_position(area.right() + 2000, area.y() + 10);
    open_port_settings();
    EXPECT_TRUE(area.contains(settings.frameGeometry())) << settings.x() << "," << settings.y();
    rig.program.firmware.set_position(area.x() + 70, area.y() + 80);
    open_firmware();
    EXPECT_EQ(firmware.pos(), area.topLeft() + QPoint(70, 80));
    firmware.move(area.topLeft() + QPoint(90, 100));  // the user moves it
    const auto& at = rig.program.firmware;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return at.position().x == area.x() + 90 && at.position().y == area.y() + 100; }));
    // Its close control tells the program, as its EXIT does.
    int closed = 0;
    rig.program.firmware.closed.connect([&closed] { ++closed; });
    firmware.close();
    EXPECT_FALSE(rig.program.firmware.visible());
    EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace orv::gui
