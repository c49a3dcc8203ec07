#pragma once
// The notification sound player and the system beep. Failures are silent: a missing sound
// device or file never stops the program.

#include <string>

namespace orv::platform {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // The file the next open() loads.
    virtual void set_file(const std::string& file) = 0;
    // Loads the sound, ready to play.
    virtual void open() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    // Stops the sound and lets its device go.
    virtual void close() = 0;
    virtual void beep() = 0;
};

}  // namespace orv::platform
