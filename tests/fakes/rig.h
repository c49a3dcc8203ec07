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
    Program program{Platform{serial, socket, clock, store, sound, dialogs, ports}};

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

}  // namespace orv::fake
