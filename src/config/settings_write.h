#pragma once
// "Write Settings": one command per field of the settings panel, each acknowledged by the box
// before the next goes out. Runs as a sequence driven by arrivals and a time-out, so the window
// keeps answering; the serial acknowledgements never reach the reply receiver.

#include <optional>
#include <string>
#include <vector>

#include "link/acked_steps.h"
#include "link/receiver.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/timer.h"
#include "ui/command_lock.h"
#include "ui/main_window.h"

namespace orv::config {

// How long the box may take to acknowledge one command.
inline constexpr int kAckTimeoutMs = 3000;

struct WriteStep {
    std::string command;  // the bytes sent
    std::string field;    // what the user knows it by, for messages
};

// The two bytes of a time value: the text read as a number and rounded to a whole number
// (half to even), high byte first; nullopt unless that is 0 to 65535.
std::optional<std::string> encode_time(const std::string& text);

class SettingsWrite {
public:
    SettingsWrite(MainWindow& main, link::Transport& transport, link::Receiver& receiver,
                  platform::Timer& timer, platform::Dialogs& dialogs);
    SettingsWrite(const SettingsWrite&) = delete;
    SettingsWrite& operator=(const SettingsWrite&) = delete;

    void start();
    bool running() const { return steps_run_.running(); }

    // The commands a write would send now, or the message that refuses it.
    std::vector<WriteStep> plan(std::string& refusal) const;

private:
    void send(std::size_t step);
    void silent(std::size_t step);
    void finish();

    MainWindow& main_;
    MainState& s_;
    link::Transport& transport_;
    platform::Timer& timer_;
    platform::Dialogs& dialogs_;

    bool over_socket_ = false;
    std::vector<WriteStep> steps_;
    link::AckedSteps steps_run_;
    CommandLock lock_;
};

}  // namespace orv::config
