#pragma once
// The RF channel: READ asks the box ("#gCh#"), WRITE sets the box's channel ("#sCh" n "#") and
// "Write to Remote" walks the user through setting the remote ("#rCh" n "#"). The channel
// travels as one raw byte.

#include <optional>
#include <string>

#include "link/transport.h"
#include "platform/dialogs.h"
#include "ui/main_window.h"

namespace orv::config {

inline constexpr const char* kChannelLimit = "Channel must be a number between 0 & 128";
inline constexpr const char* kRemoteQuestion =
    "ENSURE REMOTE IS IN CHANNEL SET MODE...\rby holding both Focus Buttons down\runtil the LED "
    "flashes. (approx 10secs)\rPress Yes to continue";

class RfChannel {
public:
    RfChannel(MainWindow& main, link::Transport& transport, platform::Dialogs& dialogs);

    void read_channel();
    void write_channel();
    void write_to_remote();

private:
    // The channel box as the byte to send, or nullopt after telling the user why not.
    std::optional<char> channel_byte();

    MainWindow& main_;
    link::Transport& transport_;
    platform::Dialogs& dialogs_;
};

}  // namespace orv::config
