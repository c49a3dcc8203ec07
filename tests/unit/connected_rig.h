#pragma once
// The connected rig with what connecting took cleared (the sounds too), read one command and
// one message at a time: a test sees only what its own steps cause.

#include <string>
#include <vector>

#include "fakes/rig.h"

namespace orv::fake {

struct Connected : ConnectedRig {
    Connected() : ConnectedRig(false, "1.20#") { sound.log.clear(); }

    // The commands sent since the last call, one per send.
    std::vector<std::string> commands() {
        std::vector<std::string> out;
        for (const auto& w : serial.writes) out.push_back(w.second);
        serial.writes.clear();
        serial.written.clear();
        return out;
    }
    // The messages shown since the last call.
    std::vector<std::string> shown() {
        auto out = dialogs.messages();
        dialogs.shown.clear();
        return out;
    }
};

}  // namespace orv::fake
