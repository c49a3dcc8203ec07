// The real windows against the whole program on fakes: what they show at start, that user
// edits reach the model and model changes reach the widgets, and the ways in and out.
#include "views.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <string>
#include <utility>

#include "app/bind.h"
#include "firmware/hex_image.h"

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

TEST_F(Views, MainWindowOpensShowingTheModel) {
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.windowTitle(), "Orvantis Utility x.21");
    EXPECT_FALSE(main.windowIcon().isNull());

    EXPECT_TRUE(find<QAbstractButton>(&main, "CONNECT")->isEnabled());
    EXPECT_TRUE(find<QAbstractButton>(&main, "EXIT")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>(&main, "READ")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>(&main, "WRITE")->isEnabled());
    EXPECT_FALSE(find<QAbstractButton>(&main, "Slew south")->isEnabled());
    EXPECT_EQ(find<QAbstractButton>(&main, "FOCUS ")->text(), "FOCUS ");

    auto* time1 = find<QLineEdit>(&main, "Time #1");
    EXPECT_FALSE(time1->isEnabled());
    EXPECT_EQ(time1->text(), "#");
    EXPECT_EQ(find<QLineEdit>(&main, "RF Channel")->text(), "#");
    EXPECT_EQ(find<QLineEdit>(&main, "Pulse time (ms)")->text(), "2000");
    EXPECT_EQ(find<QLineEdit>(&main, "Focus position")->text(), "5000");
    EXPECT_TRUE(find<QLineEdit>(&main, "Orvantis ver.")->isReadOnly());
    EXPECT_EQ(find<QLineEdit>(&main, "Firmware password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(items(find<QComboBox>(&main, "PORT")), (QStringList{"Search COM", "TCP Port"}));
    EXPECT_EQ(find<QCheckBox>(&main, "AutoStar2 Emulation Mode")->text(), "Enabled");
    EXPECT_FALSE(find<QCheckBox>(&main, "AutoStar2 Emulation Mode")->isEnabled());
    EXPECT_EQ(find<app::ShapeWidget>(&main, "Shutter indicator: off")->color(), ui::Colour::Red);

    auto* channel = find<QLabel>(&main, "RF Channel");
    EXPECT_EQ(channel->toolTip(), "Orvantis RF Remote Only");
    EXPECT_EQ(channel->buddy(), find<QLineEdit>(&main, "RF Channel"));
    EXPECT_FALSE(find<QAbstractButton>(&main, "Stop slewing")->icon().isNull());
    EXPECT_TRUE(find<QAbstractButton>(&main, "Stop slewing")->text().isEmpty());
}

TEST_F(Views, EveryModelControlHasOneWidgetAndEveryWidgetAName) {
    for (auto* c : rig.main.all_controls())
        EXPECT_EQ(main.findChildren<QWidget*>(QString::fromStdString(c->name())).size(), 1)
            << c->name();
    // Every widget placed on a window, bound or not, except the plain separator lines.
    for (QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&settings)}) {
        for (auto* w : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->metaObject() == &QFrame::staticMetaObject) continue;
            EXPECT_FALSE(w->accessibleName().isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString();
        }
    }
}

TEST_F(Views, PortSettingsOpensOnARealClickShowingTheModel) {
    EXPECT_FALSE(settings.isVisible());
    open_port_settings();
    EXPECT_TRUE(rig.settings.visible());
    EXPECT_EQ(settings.windowTitle(), "Form1");
    EXPECT_EQ(settings.parentWidget(), nullptr);
    EXPECT_FALSE(settings.isModal());
    EXPECT_EQ(find<QComboBox>(&settings, "BAUDRATE")->currentText(), "9600");
    EXPECT_EQ(find<QComboBox>(&settings, "IP Address")->currentText(), "192.168.1.3");
    EXPECT_EQ(items(find<QComboBox>(&settings, "IP Address")), QStringList{"10.0.0.9"});
    EXPECT_EQ(find<QComboBox>(&settings, "IP Port")->currentText(), "23");
    EXPECT_TRUE(find<QAbstractButton>(&settings, "OK")->isVisible());
}

TEST_F(Views, UserEditsReachTheModel) {
    retype(find<QLineEdit>(&main, "Pulse time (ms)"), "500");
    EXPECT_EQ(rig.main.pulse_time.text(), "500");

    // A typed channel number makes WRITE usable, through the model's rule.
    retype(find<QLineEdit>(&main, "RF Channel"), "7");
    EXPECT_EQ(rig.main.channel_box.text(), "7");
    EXPECT_TRUE(find<QAbstractButton>(&main, "WRITE")->isEnabled());

    QTest::mouseClick(find<QCheckBox>(&main, "Rev RA"), Qt::LeftButton);
    EXPECT_TRUE(rig.main.rev_ra.checked());

    // Picking an entry of the port list changes the model just as typing does.
    auto* port = find<QComboBox>(&main, "PORT");
    retype(port->lineEdit(), "COM4");
    EXPECT_EQ(rig.main.port_list.text(), "COM4");
    QTest::keyClick(port, Qt::Key_Down);
    EXPECT_EQ(rig.main.port_list.text(), "TCP Port");
    EXPECT_EQ(items(port), (QStringList{"Search COM", "TCP Port"}));
}

TEST_F(Views, ModelChangesReachTheWidgets) {
    auto* focus = find<QLineEdit>(&main, "Focus position");
    QSignalSpy edited(focus, &QLineEdit::textEdited);
    rig.main.focus_position.set_text("4321");
    EXPECT_EQ(focus->text(), "4321");
    EXPECT_EQ(edited.count(), 0);

    // A program-made channel number enables WRITE through the model.
    rig.main.channel_box.set_text("12");
    EXPECT_TRUE(find<QAbstractButton>(&main, "WRITE")->isEnabled());
    rig.main.channel_box.set_text("x");
    EXPECT_FALSE(find<QAbstractButton>(&main, "WRITE")->isEnabled());

    int changes = 0;
    rig.main.rev_dec.changed.connect([&changes] { ++changes; });
    rig.main.rev_dec.set_value(1);
    EXPECT_TRUE(find<QCheckBox>(&main, "Rev DEC")->isChecked());
    EXPECT_EQ(changes, 1);  // showing the value did not echo back a second change

    rig.main.elapsed_label.set_caption("42");
    EXPECT_EQ(find<QLabel>(&main, "Seconds into exposure: 42")->text(), "42");
    // The indicator paints the colour it says: red while closed, green while open.
    auto* indicator = find<app::ShapeWidget>(&main, "Shutter indicator: off");
    const auto centre = [indicator] {
        return indicator->grab().toImage().pixelColor(indicator->width() / 2, indicator->height() / 2);
    };
    EXPECT_EQ(centre(), QColor(255, 0, 0));
    rig.main.shutter_indicator.set_fill_color(ui::Colour::Green);
    EXPECT_EQ(indicator->color(), ui::Colour::Green);
    EXPECT_EQ(indicator->accessibleName(), "Shutter indicator: on");
    EXPECT_EQ(centre(), QColor(0, 255, 0));
    // A COM entry tells what device it is, to the pointer and to assistive technology.
    rig.main.port_list.add_item("COM7", "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    auto* ports = find<QComboBox>(&main, "PORT");
    EXPECT_EQ(items(ports).back(), "COM7");
    const int last = ports->count() - 1;
    EXPECT_EQ(ports->itemData(last, Qt::ToolTipRole).toString(),
              "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    EXPECT_EQ(ports->itemData(last, Qt::AccessibleDescriptionRole).toString(),
              "/dev/ttyUSB0\nUSB 0403:6001, FTDI");
    EXPECT_FALSE(ports->itemData(0, Qt::ToolTipRole).isValid());  // "Search COM" and the like
}

TEST_F(Views, SetpointSpinnerStepsByTheModelsIncrement) {
    auto* spinner = find<QScrollBar>(&main, "Focus Setpoint 1 spinner");
    EXPECT_EQ(spinner->maximum(), 9999);
    rig.main.setpoint_spinner[0].set_value(500);
    EXPECT_EQ(spinner->value(), 500);
    // The lower arrow raises the value, the upper one lowers it, by the increment box's 50
    // (what start-up puts there when nothing is stored).
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {spinner->width() / 2, spinner->height() - 3});
    EXPECT_EQ(rig.main.setpoint_spinner[0].value(), 550);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {spinner->width() / 2, 3});
    QTest::mouseClick(spinner, Qt::LeftButton, {}, {spinner->width() / 2, 3});
    EXPECT_EQ(rig.main.setpoint_spinner[0].value(), 450);
}

TEST_F(Views, AnyMouseButtonPressesAndReleasesTheSlewAndFocusButtons) {
    rig.main.enable_controls(true, "orvantis");
    std::vector<std::string> log;
    for (auto [b, what] :
         {std::pair{&rig.main.slew_up, "slew up"}, std::pair{&rig.main.focus_up, "focus up"}}) {
        b->pressed.connect([&log, what = what] { log.push_back(std::string(what) + " pressed"); });
        b->released.connect(
            [&log, what = what] { log.push_back(std::string(what) + " released"); });
    }
    auto* up = find<QAbstractButton>(&main, "Slew south");
    QTest::mousePress(up, Qt::RightButton);
    EXPECT_TRUE(up->isDown());
    QTest::mouseRelease(up, Qt::RightButton);
    EXPECT_FALSE(up->isDown());
    auto* focus = find<QAbstractButton>(&main, "FOCUS");
    QTest::mousePress(focus, Qt::MiddleButton);
    QTest::mouseRelease(focus, Qt::MiddleButton);
    QTest::mousePress(focus, Qt::LeftButton);
    QTest::mouseRelease(focus, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<std::string>{"slew up pressed", "slew up released",
                                             "focus up pressed", "focus up released",
                                             "focus up pressed", "focus up released"}));

    // Disabled while held down: let go.
    log.clear();
    QTest::mousePress(up, Qt::RightButton);
    rig.main.enable_controls(false, "orvantis");
    EXPECT_EQ(log, (std::vector<std::string>{"slew up pressed", "slew up released"}));
    QTest::mouseRelease(up, Qt::RightButton);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(Views, PortSettingsOkPutsTheReplacedAddressOnTopAndTheCloseControlOnlyHides) {
    open_port_settings();
    auto* address = find<QComboBox>(&settings, "IP Address");
    retype(address->lineEdit(), "10.1.1.1");
    QTest::mouseClick(find<QAbstractButton>(&settings, "OK"), Qt::LeftButton);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(items(address), (QStringList{"192.168.1.3", "10.0.0.9"}));
    EXPECT_EQ(address->currentText(), "10.1.1.1");

    open_port_settings();
    retype(address->lineEdit(), "10.2.2.2");
    settings.close();
    EXPECT_FALSE(settings.isVisible());
    EXPECT_FALSE(rig.settings.visible());
    EXPECT_EQ(items(address), (QStringList{"192.168.1.3", "10.0.0.9"}));
}

// Enter in Port Settings is OK and Escape its close control; Enter in the command box is SEND.
TEST_F(Views, EnterAndEscapeDoWhatTheirButtonsDo) {
    open_port_settings();
    auto* address = find<QComboBox>(&settings, "IP Address");
    retype(address->lineEdit(), "10.3.3.3");
    int oks = 0;
    rig.settings.ok_button.clicked.connect([&oks] { ++oks; });
    QTest::keyClick(address->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(oks, 1);
    EXPECT_FALSE(rig.settings.visible());

    open_port_settings();
    retype(address->lineEdit(), "10.4.4.4");
    QTest::keyClick(address->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(rig.settings.visible());
    EXPECT_EQ(oks, 1);  // the close control, not OK

    int sends = 0;
    rig.main.send_button.clicked.connect([&sends] { ++sends; });
    auto* command = find<QLineEdit>(&main, "Send Direct LX200 commands");
    QTest::keyClick(command, Qt::Key_Return);
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(rig.dialogs.messages(), std::vector<std::string>{orv::link::kNotConnected});
}

// A window goes back where it was if that is still on a screen; a place that is off every
// screen now (a second monitor unplugged) brings it to the middle of the primary screen.
TEST_F(Views, WindowsComeBackWhereTheyWereAndStayOnTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(app::on_screen(area.topLeft() + QPoint(50, 60), {400, 300}),
              area.topLeft() + QPoint(50, 60));
    const QPoint away = app::on_screen({area.right() + 2000, 10}, {400, 300});
    EXPECT_TRUE(area.contains(QRect(away, QSize(400, 300)))) << away.x() << "," << away.y();
    EXPECT_TRUE(area.contains(QRect(app::on_screen({-5000, -5000}, {200, 100}), QSize(200, 100))));

    rig.program.firmware.set_position(area.x() + 70, area.y() + 80);
    rig.main.password_box.set_text("7reed4reed");
    rig.program.firmware_loader.open_window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&firmware));
    EXPECT_EQ(firmware.pos(), area.topLeft() + QPoint(70, 80));
    firmware.move(area.topLeft() + QPoint(90, 100));  // the user moves it
    EXPECT_TRUE(QTest::qWaitFor(
        [this, area] {
            return rig.program.firmware.position().x == area.x() + 90 &&
                   rig.program.firmware.position().y == area.y() + 100;
        },
        2000));
}

// Alt and the underlined letter press the main buttons from wherever the focus is; the names
// assistive technology reads stay the captions.
TEST_F(Views, AccessKeysPressTheMainButtons) {
    auto* connect = find<QAbstractButton>(&main, "CONNECT");
    EXPECT_EQ(connect->text(), "&CONNECT");
    EXPECT_EQ(app::with_access_key("Power & Connections", 'C'), "Power && &Connections");
    EXPECT_EQ(app::with_access_key("SEND", 'N'), "SE&ND");
    EXPECT_EQ(app::with_access_key("EXIT", 0), "EXIT");
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    find<QLineEdit>(&main, "Send Direct LX200 commands")->setFocus();
    QTest::keyClick(&main, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return rig.settings.visible(); }, 2000));
    rig.settings.hide();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    rig.main.connect_button.set_caption("DISCONNECT");
    EXPECT_EQ(connect->text(), "DIS&CONNECT");
    EXPECT_EQ(connect->accessibleName(), "DISCONNECT");
}

TEST_F(Views, ExitEndsTheProgramAndSavesWhatWasTyped) {
    retype(find<QLineEdit>(&main, "Focus position"), "4200");
    QTest::mouseClick(find<QAbstractButton>(&main, "EXIT"), Qt::LeftButton);
    EXPECT_TRUE(rig.program.finished());
    EXPECT_EQ(rig.store.commits, 1);
    EXPECT_EQ(rig.saved("focus"), "4200");
    EXPECT_FALSE(main.isVisible());
}

TEST_F(Views, TheCloseControlEndsTheProgramLikeExit) {
    open_port_settings();
    main.close();
    EXPECT_TRUE(rig.program.finished());
    EXPECT_EQ(rig.store.commits, 1);
    EXPECT_EQ(rig.saved("IPaddr"), "192.168.1.3");
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(settings.isVisible());
}

TEST_F(Views, TheCloseControlDuringAFirmwareUpdateAsksAndNoKeepsTheWindow) {
    rig.ports.ports = {{3, "/dev/pts/3"}};
    rig.main.port_list.set_text("COM3");
    rig.main.connect_button.click();
    rig.serial.arrive("1.20#");
    const std::string file = ":0400000001020304F2\r\n:00000001FF\r\n";
    rig.files.files["/fw/box.hex"] = file;
    rig.main.password_box.set_text("7reed4reed");
    rig.main.firmware_upload.click();
    rig.dialogs.files.push_back("/fw/box.hex");
    rig.dialogs.inputs.push_back(std::to_string(firmware::confirmation_sum(file)));
    rig.program.firmware.browse.click();
    rig.program.firmware.boot_up.click();
    rig.serial.arrive("2#");
    rig.program.firmware.program_button.click();
    ASSERT_TRUE(rig.program.programmer.running());

    rig.dialogs.answers = {platform::Answer::No};
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(rig.program.finished());
    EXPECT_TRUE(rig.program.programmer.running());
    rig.dialogs.answers = {platform::Answer::Yes};
    main.close();
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(rig.program.finished());
}

TEST_F(Views, FirmwareWindowFollowsTheModel) {
    rig.program.firmware.show();
    EXPECT_TRUE(firmware.isVisible());
    EXPECT_EQ(firmware.windowTitle(), "Firmware Update");
    int closed = 0;
    rig.program.firmware.closed.connect([&closed] { ++closed; });
    firmware.close();
    EXPECT_FALSE(rig.program.firmware.visible());
    EXPECT_FALSE(firmware.isVisible());
    EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace orv::gui
