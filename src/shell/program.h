#pragma once
// The whole program on top of the platform: its three windows, the link to the box, the
// timers, start-up, and the ways out (EXIT, the close control, the end of the session).

#include <functional>
#include <memory>

#include "config/rf_channel.h"
#include "config/settings_read.h"
#include "config/settings_write.h"
#include "firmware/firmware_loader.h"
#include "firmware/programmer.h"
#include "handcontrol/console.h"
#include "handcontrol/focus_panel.h"
#include "handcontrol/slew_pad.h"
#include "link/connection.h"
#include "link/receiver.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "platform/port_directory.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/sound_player.h"
#include "platform/tcp_socket.h"
#include "platform/timer.h"
#include "shell/store.h"
#include "shutter/shutter.h"
#include "ui/firmware_window.h"
#include "ui/main_window.h"
#include "ui/port_settings.h"

namespace orv {

struct Platform {
    platform::SerialPort& serial;
    platform::TcpSocket& socket;
    platform::Clock& clock;
    platform::SettingsStore& store;
    platform::SoundPlayer& sound;
    platform::Dialogs& dialogs;
    platform::PortDirectory& ports;
    platform::FileReader& files;
};

inline constexpr const char* kNotSaved =
    "Your settings could not be saved. Check that your configuration folder is writable.";

class Program {
public:
    explicit Program(Platform platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up; afterwards the main window is shown.
    void start();
    // EXIT: firmware window, main window (with the shutdown save), port settings window.
    void exit();
    // The main window is closing by any other means (close control, session end, SIGTERM):
    // the same save and the same end as EXIT.
    void main_closing();
    bool finished() const { return finished_; }

    Platform platform;
    MainWindow main;
    PortSettingsWindow settings;
    FirmwareWindow firmware;
    Store store;
    link::Transport transport;
    std::unique_ptr<platform::Timer> sequencer_timer;  // exposure sequencer
    std::unique_ptr<platform::Timer> identify_timer;   // identification time-out
    std::unique_ptr<platform::Timer> focus_timer;      // focus
    std::unique_ptr<platform::Timer> connect_timer;  // TCP connect time-out
    std::unique_ptr<platform::Timer> read_timer;     // settings read step time-out
    std::unique_ptr<platform::Timer> write_timer;    // settings write acknowledgement time-out
    std::unique_ptr<platform::Timer> program_timer;  // boot loader acknowledgement time-out
    link::Connection connection;
    link::Receiver receiver;
    config::SettingsRead settings_read;
    config::SettingsWrite settings_write;
    config::RfChannel rf_channel;
    firmware::FirmwareLoader firmware_loader;
    firmware::Programmer programmer;
    handcontrol::SlewPad slew;
    handcontrol::FocusPanel focus;
    handcontrol::Console console;
    shutter::Shutter shutter;

    // Raised once when the program should end.
    std::function<void()> on_quit;

private:
    void shut_down_once();

    bool exiting_ = false;
    bool shut_down_ = false;
    bool finished_ = false;
};

}  // namespace orv
