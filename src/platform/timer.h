#pragma once
// An interval timer ticking on the program's one thread, and the clock that makes them.

#include <cstdint>
#include <functional>
#include <memory>

namespace orv::platform {

class Timer {
public:
    virtual ~Timer() = default;
    // Ticks every `interval_ms` from now on (restarts the period if already running).
    virtual void start(int interval_ms) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
    virtual int interval() const = 0;

    std::function<void()> on_tick;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<Timer> make_timer() = 0;
    // Milliseconds since an arbitrary fixed point; only differences mean anything.
    virtual std::int64_t now_ms() const = 0;
};

}  // namespace orv::platform
