#pragma once
// The Traffic window on screen, bound to `program.traffic_window`. Made when first opened, so
// that start-up does not pay for it.

#include <QWidget>
#include <memory>

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
class LazyTrafficView {
public:
    explicit LazyTrafficView(Program& program);
    TrafficView* get() const { return view_.get(); }
    void reset() { view_.reset(); }

private:
    std::unique_ptr<TrafficView> view_;
};

}  // namespace orv::app
