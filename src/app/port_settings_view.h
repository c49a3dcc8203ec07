#pragma once
// The port settings window (titled "Form1") on screen, bound to `program.settings`. It is a window
// of its own, never modal; its close control only hides it.

#include <QWidget>

#include "shell/program.h"

namespace orv::app {

class PortSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit PortSettingsView(Program& program);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PortSettingsWindow& model_;
};

}  // namespace orv::app
