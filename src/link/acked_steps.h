#pragma once
// A run of sends in which the box acknowledges each one before the next goes out, with one
// time-out per step: the settings write (one command per field) and the firmware blocks.
// The owner says how a step goes on the wire, feeds the acknowledgements in, and forwards its
// timer's tick while a run is on.

#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/timer.h"

namespace orv::link {

class AckedSteps {
public:
    AckedSteps(platform::Timer& timer, int timeout_ms) : timer_(timer), timeout_ms_(timeout_ms) {}

    // Sends step 0 of `count`; each acknowledgement sends the next, the last one ends the run.
    void start(std::size_t count) {
        count_ = count;
        next_ = 0;
        running_ = true;
        send_next();
    }
    // The box acknowledged the step in flight.
    void acknowledged() {
        if (running_) send_next();
    }
    // Bytes from the box: any byte at all acknowledges the step in flight.
    void feed(std::string_view bytes) {
        if (!bytes.empty()) acknowledged();
    }
    // The owner's timer ticked: the step in flight was not acknowledged in time. The run ends
    // before `silent` is told, so nothing delivered meanwhile moves it on.
    void timed_out() {
        if (!running_) return;
        stop();
        if (silent) silent(next_ - 1);
    }
    // Ends the run where it is, without a word.
    void stop() {
        running_ = false;
        timer_.stop();
    }

    bool running() const { return running_; }
    // The step last sent (the one in flight while running).
    std::size_t current() const { return next_ == 0 ? 0 : next_ - 1; }

    std::function<void(std::size_t step)> send;
    std::function<void()> done;
    std::function<void(std::size_t step)> silent;

private:
    void send_next() {
        if (next_ == count_) {
            stop();
            if (done) done();
            return;
        }
        const std::size_t step = next_++;
        // Armed before the send: an acknowledgement may come back within the send itself.
        timer_.start(timeout_ms_);
        send(step);
    }

    platform::Timer& timer_;
    int timeout_ms_;
    std::size_t count_ = 0;
    std::size_t next_ = 0;
    bool running_ = false;
};

}  // namespace orv::link
