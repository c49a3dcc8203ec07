#pragma once
// The whole program on fakes, for scenario tests.

#include "fakes/fakes.h"
#include "shell/program.h"

namespace orv::fake {

struct Rig {
    Clock clock;
    SerialPort serial;
    TcpSocket socket;
    SettingsStore store;
    SoundPlayer sound;
    Dialogs dialogs;
    PortDirectory ports;
    FileReader files;
    Program program{Platform{serial, socket, clock, store, sound, dialogs, ports, files}};

    MainWindow& main = program.main;
    PortSettingsWindow& settings = program.settings;

    // Stores a value as an earlier run would have left it (names folded as the program does).
    void stored(const std::string& app, const std::string& key, const std::string& value) {
        store.committed[{fold_name(app), "startup", fold_name(key)}] = value;
    }
    std::string saved(const std::string& key) const {
        const auto it = store.committed.find({"orvantis", "startup", fold_name(key)});
        return it == store.committed.end() ? std::string("<absent>") : it->second;
    }
};

// A rig whose program is started and connected to a box that answered `ident`, over the fake
// serial port (COM3) or the fake socket; messages and bytes so far are cleared.
struct ConnectedRig : Rig {
    explicit ConnectedRig(bool over_socket = false, const std::string& ident = "11.1#") {
        ports.ports = {{3, "/dev/pts/3"}};
        stored("Orvantis", "CommBaud", "9600");
        stored("orvantis", "IPaddr", "127.0.0.1");
        stored("orvantis", "IPport", "4001");
        program.start();
        main.port_list.set_text(over_socket ? "TCP Port" : "COM3");
        main.connect_button.click();
        if (over_socket) {
            socket.accept();
            socket.arrive(ident);
        } else {
            serial.arrive(ident);
        }
        dialogs.shown.clear();
        serial.written.clear();
        serial.writes.clear();
        socket.sent.clear();
    }
    // The box answers over whichever transport is in use.
    void arrive(const std::string& bytes) {
        if (socket.state() == platform::SocketState::Connected) socket.arrive(bytes);
        else serial.arrive(bytes);
    }
    const std::string& sent() const {
        return socket.state() == platform::SocketState::Connected ? socket.sent : serial.written;
    }
};

}  // namespace orv::fake
