#pragma once
// The firmware update window on screen, bound to `program.firmware`.


#include <QWidget>

#include "shell/program.h"

namespace orv::app {

class FirmwareView : public QWidget {
    Q_OBJECT
public:
    explicit FirmwareView(Program& program);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FirmwareWindow& model_;
};

}  // namespace orv::app
