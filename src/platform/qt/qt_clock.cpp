#include "platform/qt/qt_clock.h"

namespace orv::qt {

QtTimer::QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (on_tick) on_tick();
    });
}

void QtTimer::start(int interval_ms) {
    if (interval_ms <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(interval_ms);
}

}  // namespace orv::qt
