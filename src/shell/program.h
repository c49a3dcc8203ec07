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
#include "link/traffic_log.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "platform/port_directory.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/sound_player.h"
#include "platform/tcp_socket.h"
#include "platform/timer.h"
#include "shell/startup.h"
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
inline constexpr const char* kQuitWhileProgramming =
    "A firmware update is running. If you quit now the Orvantis stays in its boot loader and "
    "must be programmed again. Quit anyway?";
inline constexpr const char* kLeftInBootLoader =
    "orvantis: the firmware update was stopped before it finished; the Orvantis is in its boot "
    "loader and must be programmed again: switch it off and on, connect, open Firmware Upload, "
    "then BOOT UP and PROGRAM.";

class Program {
public:
    explicit Program(Platform platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up; afterwards the main window is shown.
    void start();
    // EXIT: firmware window, main window (with the shutdown save), port settings window.
    // During a firmware update the user is asked first, and No leaves everything running.
    void exit();
    // The main window's close control: as EXIT. False when the user chose to stay.
    bool main_closing();
    // The session ends or the program is told to stop (SIGTERM): no question. A firmware
    // update is stopped; returns what the user must be told of it ("" when nothing ran).
    std::string terminate();
    bool finished() const { return finished_; }

    Platform platform;
    MainWindow main;
    PortSettingsWindow settings;
    FirmwareWindow firmware;
    Store store;
    link::Transport transport;
    link::TrafficLog traffic;
    link::TrafficWindow traffic_window;
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
    PlacedWindows placed() {
        return {{"Main", &main}, {"Settings", &settings}, {"Firmware", &firmware}};
    }
    // Every way out ends here: what runs on the box stops while the link can carry the stop,
    // the values are saved, the windows close.
    void end();

    bool exiting_ = false;
    bool shut_down_ = false;
    bool finished_ = false;
};

}  // namespace orv
