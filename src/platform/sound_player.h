#pragma once
// The notification sound player, driven by command words, and the system beep.

#include <string>

namespace orv::platform {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void set_options(bool notify, bool wait, bool shareable) = 0;
    virtual void set_device_type(const std::string& type) = 0;
    virtual void set_file_name(const std::string& file) = 0;
    // "Open", "Play", "Stop" or "Close". Failures are silent.
    virtual void command(const std::string& word) = 0;
    virtual void beep() = 0;
};

}  // namespace orv::platform
