#pragma once
// The whole program on fakes, for scenario tests.

#include "fakes/fakes.h"
#include "firmware/hex_image.h"
#include "shell/program.h"

namespace orv::fake {

using Texts = std::vector<std::string>;

// The texts on one line, a blank between them.
inline std::string joined(const Texts& texts) {
    std::string out;
    for (const auto& t : texts) out += (out.empty() ? "" : " ") + t;
    return out;
}
// For EXPECT_PRED2, which prints both arguments when the check fails.
inline bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
// Exactly one message was shown, and it holds `part`.
inline bool one_holding(const Texts& messages, const std::string& part) {
    return messages.size() == 1 && holds(messages[0], part);
}
// As many messages as parts, each holding its part.
inline bool messages_hold(const Texts& messages, const Texts& parts) {
    if (messages.size() != parts.size()) return false;
    for (std::size_t k = 0; k < parts.size(); ++k)
        if (!holds(messages[k], parts[k])) return false;
    return true;
}
// "on" or "off" for each control, in order: one comparison for a row of buttons.
template <class... C>
std::string enabled(const C&... controls) {
    std::string out;
    ((out += std::string(out.empty() ? "" : " ") + (controls.enabled() ? "on" : "off")), ...);
    return out;
}

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
    // A focus GOTO to `setpoint` from the first setpoint row.
    void goto_focus(const std::string& setpoint) {
        main.setpoint_box[0].set_text(setpoint);
        main.goto_setpoint[0].click();
    }
    // Auto Shutter START: `count` exposures of `secs` seconds, `gap` seconds apart.
    void expose(const std::string& secs, const std::string& gap, const std::string& count) {
        main.exposure_secs.set_text(secs);
        main.exposure_gap.set_text(gap);
        main.exposure_count.set_text(count);
        main.auto_shutter.click();
    }
    // The messages shown since the last call.
    Texts said() {
        Texts out = dialogs.messages();
        dialogs.shown.clear();
        return out;
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
    // The link is lost under the program: the cable pulled, or the gateway gone.
    void lose() {
        if (socket.state() == platform::SocketState::Connected)
            socket.fail("the remote host closed the connection");
        else
            serial.lose("the device was unplugged");
    }
    // CONNECT again, to a box that answers `ident`.
    void reconnect(const std::string& ident = "1.20#") {
        main.connect_button.click();
        if (main.port_list.text() == "TCP Port") socket.accept();
        arrive(ident);
    }
    // The firmware window opened with the password and `file` loaded and confirmed.
    void load_firmware(const std::string& file) {
        files.files["/fw/box.hex"] = file;
        main.password_box.set_text("7reed4reed");
        main.firmware_upload.click();
        dialogs.files.push_back("/fw/box.hex");
        dialogs.inputs.push_back(std::to_string(firmware::confirmation_sum(file)));
        program.firmware.browse.click();
    }
};

}  // namespace orv::fake
