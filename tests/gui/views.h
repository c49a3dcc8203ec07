#pragma once
// The whole program on fakes with its real windows on screen, and the ways a user reaches a
// control: by hand (mouse and keys) or through the accessibility interface, as assistive
// technology does, finding it by its accessible name.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "app/traffic_view.h"
#include "fakes/rig.h"
#include "firmware/hex_image.h"

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace orv::gui {

// The one widget of type W under `root` with this accessible name.
template <class W>
W* find(QWidget* root, const QString& name) {
    QList<W*> found;
    for (auto* w : root->findChildren<W*>())
        if (w->accessibleName() == name) found << w;
    if (found.size() != 1)
        throw std::runtime_error(std::to_string(found.size()) + " widgets named " +
                                 name.toStdString());
    return found.front();
}

inline QAccessibleInterface* accessible(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (a == nullptr) throw std::runtime_error("no accessible interface");
    return a;
}

// Does a named action (press, toggle) the way a screen reader or voice control does.
inline void act(QAccessibleInterface* a, const QString& action) {
    if (a->actionInterface() == nullptr) throw std::runtime_error("no action interface");
    a->actionInterface()->doAction(action);
}
inline void act(QWidget* w, const QString& action) { act(accessible(w), action); }

// Picks an entry of a list that only offers its entries: selected in the list, through the
// interface.
inline void choose(QComboBox* combo, const QString& entry) {
    QAccessibleInterface* list = accessible(combo)->child(0);
    for (int i = 0; i < list->childCount(); ++i)
        if (list->child(i)->text(QAccessible::Name) == entry)
            act(list->child(i), QAccessibleActionInterface::toggleAction());
}

// Runs `act` on our modal dialog once it is up, while `show` (which opens it) waits in its loop.
inline void with_dialog(const std::function<void(QWidget*)>& act,
                        const std::function<void()>& show) {
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* d = QApplication::activeModalWidget();
        if (d == nullptr || !d->isVisible()) return;
        poll.stop();
        act(d);
    });
    poll.start();
    show();
}

class Views : public ::testing::Test {
protected:
    void SetUp() override {
        rig.ports.ports = {{3, "/dev/pts/3"}};
        rig.stored("Orvantis", "CommBaud", "9600");
        rig.stored("orvantis", "IPaddr", "192.168.1.3");
        rig.stored("orvantis", "IPport", "23");
        rig.stored("orvantis", "IPaddr0", "10.0.0.9");
        rig.program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }
    void TearDown() override { traffic_view.reset(); }

    // A box on COM3 that says it is an Orvantis; the bytes and messages so far forgotten.
    void connect_box() {
        rig.main.port_list.set_text("COM3");
        rig.main.connect_button.click();
        rig.serial.arrive("1.20#");
        rig.serial.written.clear();
        rig.dialogs.shown.clear();
    }
    // What went to the box since the last call.
    std::string sent() { return std::exchange(rig.serial.written, {}); }

    void make_active(QWidget* window) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    // Opens the port settings window with a real click, and makes it the active window.
    void open_port_settings() {
        QTest::mouseClick(find<QAbstractButton>(&main, "Port Settings"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
        make_active(&settings);
    }
    // The firmware window as the password opens it (its button waits for a box first).
    void open_firmware() {
        rig.main.password_box.set_text("7reed4reed");
        rig.program.firmware_loader.open_window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&firmware));
    }
    // A firmware file for Browse.. to pick, and its confirmation code for the question after.
    void offer_firmware_file() {
        const std::string hex = ":0400000001020304F2\r\n:00000001FF\r\n";
        rig.files.files["/fw/box.hex"] = hex;
        rig.dialogs.files.push_back("/fw/box.hex");
        rig.dialogs.inputs.push_back(std::to_string(firmware::confirmation_sum(hex)));
    }
    QWidget* open_traffic() {
        rig.main.traffic_button.click();
        EXPECT_TRUE(traffic_view.get() != nullptr &&
                    QTest::qWaitForWindowExposed(traffic_view.get()));
        return traffic_view.get();
    }

    fake::Rig rig;
    app::MainView main{rig.program};
    app::PortSettingsView settings{rig.program};
    app::FirmwareView firmware{rig.program};
    // Made when the Traffic window first opens, as the program does.
    app::LazyTrafficView traffic_view{rig.program};
};

}  // namespace orv::gui
