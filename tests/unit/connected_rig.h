#pragma once
// The connected rig with what connecting took cleared (the sounds too), read one command and
// one message at a time: a test sees only what its own steps cause. Also what the scenario
// tests share: the program started on a store holding given values, and what it saved.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fakes/rig.h"

using Texts = std::vector<std::string>;
using Pairs = std::initializer_list<std::pair<const char*, const char*>>;

namespace orv::fake {

// Stores values as an earlier run would have left them.
inline void store_all(Rig& r, Pairs values) {
    for (const auto& [key, value] : values) r.stored("orvantis", key, value);
}
// What the last shutdown saved under each key ("<absent>" for none).
inline Texts saved_all(const Rig& r, std::initializer_list<const char*> keys) {
    Texts out;
    for (const char* k : keys) out.push_back(r.saved(k));
    return out;
}

struct Connected : ConnectedRig {
    Connected() : ConnectedRig(false, "1.20#") { sound.log.clear(); }

    // The commands sent since the last call, one per send.
    Texts commands() {
        Texts out;
        for (const auto& w : serial.writes) out.push_back(w.second);
        serial.writes.clear();
        serial.written.clear();
        return out;
    }
    // The same, as one line with a blank between commands.
    std::string sent_line() { return joined(commands()); }
    // CONNECT again after a DISCONNECT, to the same box; what connecting sent is cleared.
    void connect_again() {
        reconnect();
        commands();
    }
};

}  // namespace orv::fake

using orv::fake::Connected;
using orv::fake::Rig;
