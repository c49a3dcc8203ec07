#pragma once
// The whole program on fakes with its real windows on screen. A control is found as assistive
// technology finds it, by its accessible name.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/firmware_view.h"
#include "app/main_view.h"
#include "app/port_settings_view.h"
#include "app/traffic_view.h"
#include "fakes/rig.h"

namespace orv::gui {

// The one widget of type W under `root` with this accessible name; a label that names a box is
// not the box.
template <class W = QWidget>
W* find(QWidget* root, const QString& name) {
    QList<W*> found = root->findChildren<W*>();
    found.removeIf([&name](W* w) {
        auto* label = qobject_cast<QLabel*>(w);
        return w->accessibleName() != name || (label && label->buddy());
    });
    if (found.size() != 1)
        throw std::runtime_error(std::to_string(found.size()) + " " + name.toStdString());
    return found.front();
}

// The program started on a box on COM3 that said it is an Orvantis, and its windows.
class Views : public ::testing::Test {
protected:
    // What went to the box since the last call.
    std::string sent() { return std::exchange(rig.serial.written, {}); }
    // "main", "settings", "firmware" or "traffic": on screen and active.
    QWidget* open(const std::string& which) {
        if (which == "settings") rig.settings.show();
        if (which == "firmware") rig.program.firmware.show();
        if (which == "traffic") rig.program.traffic_window.show();
        QWidget* w = which == "main"       ? &main
                     : which == "settings" ? static_cast<QWidget*>(&settings)
                     : which == "firmware" ? static_cast<QWidget*>(&firmware)
                                           : traffic_view.get();
        if (w != nullptr) w->activateWindow();
        if (w == nullptr || !QTest::qWaitForWindowActive(w)) throw std::runtime_error(which);
        return w;
    }

    fake::ConnectedRig rig{false, "1.20#"};
    app::MainView main{rig.program};
    app::PortSettingsView settings{rig.program};
    app::FirmwareView firmware{rig.program};
    // Made when the Traffic window first opens, as the program does.
    app::LazyTrafficView traffic_view{rig.program};
};

}  // namespace orv::gui
