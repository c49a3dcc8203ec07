#pragma once
// The Traffic window on screen, bound to `program.traffic_window`. Made when first opened, so
// that start-up does not pay for it.

#include <QWidget>
#include <memory>

#include "app/lazy_view.h"
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

// The Traffic window's view, made the first time the window is opened.
class LazyTrafficView : public LazyView<TrafficView> {
public:
    explicit LazyTrafficView(Program& program)
        : LazyView<TrafficView>(program, program.traffic_window) {}
};

}  // namespace orv::app
