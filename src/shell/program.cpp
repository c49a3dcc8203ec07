#include "shell/program.h"

#include "shell/startup.h"

namespace orv {

Program::Program(Platform p)
    : platform(p),
      store(p.store),
      transport(p.serial, p.socket, p.ports),
      traffic(p.clock, link::local_wall_clock),
      traffic_window(traffic, p.dialogs),
      sequencer_timer(p.clock.make_timer()),
      identify_timer(p.clock.make_timer()),
      focus_timer(p.clock.make_timer()),
      connect_timer(p.clock.make_timer()),
      read_timer(p.clock.make_timer()),
      write_timer(p.clock.make_timer()),
      program_timer(p.clock.make_timer()),
      connection(main, settings, transport, p.ports, *identify_timer, *connect_timer, p.dialogs),
      receiver(main, transport, connection, p.dialogs),
      settings_read(main, transport, receiver, *read_timer, p.dialogs),
      settings_write(main, transport, receiver, *write_timer, p.dialogs),
      rf_channel(main, transport, p.dialogs),
      firmware_loader(main, firmware, p.dialogs, p.files, store),
      programmer(main, firmware, transport, receiver, connection, *program_timer, p.dialogs,
                 p.files, p.clock),
      slew(main, transport, p.dialogs),
      focus(main, transport, *focus_timer, p.dialogs),
      console(main, transport),
      shutter(main, transport, *sequencer_timer, p.sound, p.dialogs) {
    transport.on_not_connected = [this] { platform.dialogs.message(link::kNotConnected, ""); };
    main.port_settings_button.clicked.connect([this] { settings.show(); });
    main.exit_button.clicked.connect([this] { exit(); });
    traffic.attach(transport);
    main.traffic_button.clicked.connect([this] { traffic_window.show(); });
}

void Program::start() {
    start_up(main, settings, store, platform.ports, platform.sound);
    restore_positions(placed(), store);
    main.show();
}

void Program::shut_down_once() {
    if (shut_down_) return;
    shut_down_ = true;
    save_positions(placed(), store);
    if (!shut_down(main, settings, store, platform.sound))
        platform.dialogs.message(kNotSaved, "");
}

void Program::exit() { main_closing(); }

bool Program::main_closing() {
    if (exiting_) return true;
    if (programmer.running() &&
        platform.dialogs.question(kQuitWhileProgramming, "", platform::Answer::No) !=
            platform::Answer::Yes)
        return false;
    // The update may have ended while the question was open.
    programmer.abandon();
    end();
    return true;
}

std::string Program::terminate() {
    if (exiting_) return {};
    const bool was_programming = programmer.running();
    programmer.abandon();
    end();
    return was_programming ? kLeftInBootLoader : "";
}

void Program::end() {
    if (exiting_) return;
    exiting_ = true;
    // A focus run, an exposure run or an open shutter must not go on after the program.
    if (transport.link_open()) main.stop_runs.fire();
    firmware.close();
    shut_down_once();
    main.close();
    settings.close();
    traffic_window.close();
    finished_ = true;
    if (on_quit) on_quit();
}

}  // namespace orv
