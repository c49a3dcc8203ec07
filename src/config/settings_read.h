#pragma once
// "Read Settings": the reversal flags ("#gRV#"), then the settings block ("#gET#"), then a fresh
// product code and firmware version. Each step waits a few seconds at most for its reply.

#include <string>

#include "link/receiver.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/timer.h"
#include "ui/command_lock.h"
#include "ui/main_window.h"

namespace orv::config {

// How long each step of a read waits for the box.
inline constexpr int kReadStepTimeoutMs = 3000;

class SettingsRead {
public:
    SettingsRead(MainWindow& main, link::Transport& transport, link::Receiver& receiver,
                 platform::Timer& timer, platform::Dialogs& dialogs);
    SettingsRead(const SettingsRead&) = delete;
    SettingsRead& operator=(const SettingsRead&) = delete;

    void start();
    void reversal_reply(const std::string& reply, link::Via via);
    void settings_block(const std::string& reply, link::Via via);

private:
    // The step the read is waiting for, from the outstanding flags; "" when none.
    std::string waiting_for() const;
    void timed_out();
    // The read is over, answered or not: the timer stopped, the buttons given back.
    void finish();

    MainWindow& main_;
    MainState& s_;
    link::Transport& transport_;
    link::Receiver& receiver_;
    platform::Timer& timer_;
    platform::Dialogs& dialogs_;
    CommandLock lock_;
};

// The six time boxes show these 16-bit values read high byte first, unsigned.
unsigned block_value(const std::string& block, int k);

}  // namespace orv::config
