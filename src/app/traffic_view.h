#pragma once
// The Traffic window on screen, bound to `program.traffic_window`. Made when first opened, so
// that start-up does not pay for it.

#include <QWidget>

#include "shell/program.h"

namespace orv::app {

class TrafficView : public QWidget {
    Q_OBJECT
public:
    explicit TrafficView(Program& program);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    link::TrafficWindow& model_;
};

}  // namespace orv::app
