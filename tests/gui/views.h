#pragma once
// The whole program on fakes with its real windows on screen, and a way to find a widget the
// way assistive technology does: by its accessible name.


#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "app/traffic_view.h"
#include "fakes/rig.h"

namespace orv::gui {

// The one widget of type W under `root` with this accessible name.
template <class W>
W* find(QWidget* root, const QString& name) {
    W* found = nullptr;
    int count = 0;
    for (auto* w : root->findChildren<W*>())
        if (w->accessibleName() == name) {
            found = w;
            ++count;
        }
    if (count != 1)
        throw std::runtime_error(std::to_string(count) + " widgets named " + name.toStdString());
    return found;
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
        rig.stored("Orvantis", "CommBaud", "9600");
        rig.stored("orvantis", "IPaddr", "192.168.1.3");
        rig.stored("orvantis", "IPport", "23");
        rig.stored("orvantis", "IPaddr0", "10.0.0.9");
        rig.program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    }

    // Opens the port settings window with a real click, and makes it the active window.
    void open_port_settings() {
        QTest::mouseClick(find<QAbstractButton>(&main, "Port Settings"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
        settings.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
    }

    fake::Rig rig;
    app::MainView main{rig.program};
    app::PortSettingsView settings{rig.program};
    app::FirmwareView firmware{rig.program};
    // Made when the Traffic window first opens, as the program does.
    app::LazyTrafficView traffic_view{rig.program};
    void TearDown() override { traffic_view.reset(); }
};

}  // namespace orv::gui
