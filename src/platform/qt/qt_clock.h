#pragma once
// Interval timers on QTimer (precise) and a monotonic clock.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/timer.h"

namespace orv::qt {

class QtTimer : public QObject, public platform::Timer {
    Q_OBJECT
public:
    QtTimer();
    void start(int interval_ms) override;
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

class QtClock : public platform::Clock {
public:
    QtClock() { elapsed_.start(); }
    std::unique_ptr<platform::Timer> make_timer() override { return std::make_unique<QtTimer>(); }
    std::int64_t now_ms() const override { return elapsed_.elapsed(); }

private:
    QElapsedTimer elapsed_;
};

}  // namespace orv::qt
