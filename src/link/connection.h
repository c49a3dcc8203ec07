#pragma once
// CONNECT / DISCONNECT, the identification time-out and the search through
// every COM entry of the port list.

#include <set>
#include <string>

#include "link/transport.h"
#include "platform/dialogs.h"
#include "platform/port_directory.h"
#include "platform/timer.h"
#include "ui/main_window.h"
#include "ui/port_settings.h"

namespace orv::link {

inline constexpr const char* kNoOrvantis =
    "No Orvantis found. Check Port Settings, Power & Connections";
// How long a TCP connect may take before the user is told.
inline constexpr int kSocketConnectTimeoutMs = 5000;
// A USB adapter's latency timer up to this costs nothing worth telling.
inline constexpr int kHarmlessLatencyMs = 2;
// The blocks of a firmware upload, each waiting for one short reply.
inline constexpr int kFirmwareBlocks = 224;

class Connection {
public:
    Connection(MainWindow& main, PortSettingsWindow& settings, Transport& transport,
               platform::PortDirectory& ports, platform::Timer& identify_timer,
               platform::Timer& connect_timer, platform::Dialogs& dialogs);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The CONNECT / DISCONNECT press: connects when no link is open, else disconnects.
    void connect_or_disconnect();
    // The receiver accepted the box's answer.
    void identified();
    // BOOT UP went out: from now on only the boot loader answers on this link.
    void boot_loader() { enter(LinkState::BootLoader); }
    LinkState state() const { return s_.link; }
    bool link_up() const { return orv::link_up(s_.link); }
    // The identification tick; the receiver also runs it at once after rejecting a version.
    void identification_tick();
    // After the box was found on a serial port: the other programs that have the port open as
    // well, and once per adapter and run what a slow USB adapter's latency timer costs and how to
    // lower it.
    void advise_found();
    void stop_identification_timer() { identify_timer_.stop(); }

private:
    // Moves to a state and shows it on the CONNECT / DISCONNECT button.
    void enter(LinkState state);
    void connect();
    void disconnect();
    void connect_serial();
    void socket_connected();
    void socket_failed(const std::string& why);
    void serial_lost(const std::string& why);
    void socket_connect_timed_out();
    // Closes the transport and leaves the window disconnected; the message comes last, so a
    // tick or an arrival delivered while it is shown finds nothing left to do.
    void give_up(const std::string& message, const std::string& device_type);
    // After the last entry of a search: "Search COM" shown again, the give-up; false otherwise.
    bool end_search_if_last();
    // Closes whatever is open and leaves the window disconnected, ready for CONNECT.
    void close_link(const std::string& device_type);
    // "No Orvantis found", with the ports a search skipped or the programs that have the
    // port open as well.
    std::string not_found() const;
    // "COM3 is open in minicom (pid 42)" for a port other programs have open; "" otherwise.
    std::string held_by_others(const std::string& entry, int port) const;
    // The programs that probe or claim serial adapters, one line each after a line break.
    std::string grabbers() const;
    // The baud rate asked at and the rates the box may be set to, after a line break.
    std::string baud_hint() const;

    MainWindow& main_;
    MainState& s_;
    PortSettingsWindow& settings_;
    Transport& transport_;
    platform::PortDirectory& ports_;
    platform::Timer& identify_timer_;
    platform::Timer& connect_timer_;
    platform::Dialogs& dialogs_;
    std::vector<std::string> skipped_;  // the ports this search left alone, and why
    std::set<std::string> latency_told_;  // the adapters already told of
};

}  // namespace orv::link
