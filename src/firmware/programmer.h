#pragma once
// Programming the box through its boot loader: BOOT UP sends "ROB#"; a reply beginning "2"
// enables PROGRAM; PROGRAM sends the image in 224 blocks of 128 bytes, each after the box has
// acknowledged the one before, then verifies it over the serial port (or closes the boot loader
// over TCP) and closes the link. Runs as a sequence driven by arrivals and a time-out: the
// windows keep answering, and the serial arrivals of the run never reach the reply receiver.

#include <cstdint>
#include <string>
#include <vector>

#include "firmware/block_run.h"
#include "link/connection.h"
#include "link/receiver.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "platform/timer.h"
#include "ui/command_lock.h"
#include "ui/firmware_window.h"
#include "ui/main_window.h"

namespace orv::firmware {

// How long the boot loader may take to announce itself after BOOT UP.
inline constexpr int kBootReplyTimeoutMs = 3000;
inline constexpr const char* kCompleted =
    "Boot Program completed successfully!\rYou may need to Re-Connect.";

class Programmer {
public:
    Programmer(MainWindow& main, FirmwareWindow& window, link::Transport& transport,
               link::Receiver& receiver, link::Connection& connection, platform::Timer& timer,
               platform::Dialogs& dialogs, platform::FileReader& files,
               const platform::Clock& clock);
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;

    void boot_up();
    void boot_reply(const std::string& reply);
    void program();
    bool running() const { return run_.running(); }
    // Stops a run without a message (the program is ending); the box stays in its boot loader.
    void abandon();

private:
    // Stops waiting for the boot loader's answer to BOOT UP.
    void end_boot_wait();
    void blocks_sent();
    void ended(const BlockRun::Result& result);
    void timed_out();
    void link_lost();
    // Ends a run that did not complete: the window's buttons back, the link closed.
    void stop(const std::string& message);
    void finish(bool succeeded, const std::string& status);
    void close_link();
    void set_progress(std::size_t value);

    MainWindow& main_;
    MainState& s_;
    FirmwareWindow& window_;
    link::Transport& transport_;
    link::Connection& connection_;
    platform::Timer& timer_;
    platform::Dialogs& dialogs_;
    platform::FileReader& files_;
    // From BOOT UP until the link closes every other command would be block data to the box.
    CommandLock lock_;

    bool over_socket_ = false;
    BlockRun run_;
    // BOOT UP sent, no boot-loader reply yet: between runs the timer waits for nothing else.
    bool booting() const { return !running() && timer_.active(); }
};

}  // namespace orv::firmware
