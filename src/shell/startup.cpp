#include "shell/startup.h"

#include <string>

#include "handcontrol/console.h"
#include "link/port_probe.h"
#include "ui/number.h"

namespace orv {

namespace {

// A spinner takes a stored setpoint only when it can show it; otherwise it keeps its value.
void restore_spinner(ui::ScrollBar& spinner, const std::string& text) {
    if (const auto v = text_to_int16(text)) spinner.set_value(*v);
}

}  // namespace

void start_up(MainWindow& main, PortSettingsWindow& settings, Store& store,
              platform::PortDirectory& ports, platform::SoundPlayer& sound) {
    const std::string focus = store.read(kAppFocus, "focus");
    main.focus_position.set_text(focus.empty() ? "5000" : focus);

    main.setpoint_box[0].set_text(store.read(kAppFocus, "focussp1"));
    restore_spinner(main.setpoint_spinner[0], main.setpoint_box[0].text());
    main.setpoint_box[1].set_text(store.read(kAppFocus, "focussp2"));
    restore_spinner(main.setpoint_spinner[1], main.setpoint_box[1].text());

    main.increment_box.set_text(store.read(kAppFocus, "focusinc"));
    if (!is_number(main.increment_box.text())) main.increment_box.set_text("50");

    settings.ip_address.set_text(store.read(kAppFocus, "IPaddr"));
    settings.ip_port.set_text(store.read(kAppFocus, "IPport"));
    for (int i = 0; i <= 9; ++i) {
        const std::string addr = store.read(kAppFocus, "IPaddr" + std::to_string(i));
        if (!addr.empty()) settings.ip_address.add_item(addr);
        const std::string port = store.read(kAppFocus, "IPport" + std::to_string(i));
        if (!port.empty()) settings.ip_port.add_item(port);
    }

    main.state.focus_goto1 = false;
    main.state.focus_goto2 = false;

    for (std::int16_t n = 1; n <= 10; ++n)
        if (link::probe_com_port(ports, n) != 0)
            main.port_list.add_item("COM" + std::to_string(n), ports.describe(n));
    main.port_list.add_item("Search COM");
    // The direct commands of earlier runs (CommandHistory0 to 49), most recent first, each once.
    for (std::size_t i = 0; i < handcontrol::kHistorySize; ++i) {
        std::string command = store.read(kAppFocus, "CommandHistory" + std::to_string(i));
        if (!command.empty() && !main.command_history.contains(command))
            main.command_history.add_item(std::move(command));
    }
    main.port_list.add_item("TCP Port");
    main.port_list.set_text(store.read(kAppPorts, "CommPort"));

    settings.baud_box.set_text(store.read(kAppPorts, "CommBaud"));

    main.exposure_secs.set_text(store.read(kAppPorts, "ShutterTime"));
    main.exposure_gap.set_text(store.read(kAppPorts, "ShutterGap"));
    main.exposure_count.set_text(store.read(kAppPorts, "ShutterCount"));

    main.shutter_indicator.set_fill_color(ui::Colour::Red);

    // The night mode of the last run, so that the window opens as dark as the user left it.
    const std::string level = store.read(kAppFocus, "NightBrightness");
    if (main.night_brightness.contains(level)) main.night_brightness.set_text(level);
    main.night_mode.set_value(store.read(kAppFocus, "NightMode") == "1" ? 1 : 0);

    sound.set_file(kSoundFile);
    sound.open();
}

bool shut_down(MainWindow& main, PortSettingsWindow& settings, Store& store,
               platform::SoundPlayer& sound) {
    store.save(kAppPorts, "CommPort", main.port_list.text());
    store.save(kAppPorts, "CommBaud", settings.baud_box.text());
    store.save(kAppPorts, "ShutterTime", main.exposure_secs.text());
    store.save(kAppPorts, "ShutterGap", main.exposure_gap.text());
    store.save(kAppPorts, "ShutterCount", main.exposure_count.text());

    store.save(kAppFocus, "focus", main.focus_position.text());
    store.save(kAppFocus, "focussp1", main.setpoint_box[0].text());
    store.save(kAppFocus, "focussp2", main.setpoint_box[1].text());
    store.save(kAppFocus, "focusinc", main.increment_box.text());

    store.save(kAppFocus, "IPaddr", settings.ip_address.text());
    store.save(kAppFocus, "IPport", settings.ip_port.text());
    const auto& addrs = settings.ip_address.items();
    const auto& ports = settings.ip_port.items();
    for (std::size_t i = 0; i <= 9; ++i) {
        store.save(kAppFocus, "IPaddr" + std::to_string(i), i < addrs.size() ? addrs[i] : "");
        store.save(kAppFocus, "IPport" + std::to_string(i), i < ports.size() ? ports[i] : "");
    }
    const auto& commands = main.command_history.items();
    // Keys past the end are emptied only where an earlier run left a command.
    for (std::size_t i = 0; i < handcontrol::kHistorySize; ++i) {
        const std::string key = "CommandHistory" + std::to_string(i);
        if (i < commands.size())
            store.save(kAppFocus, key, commands[i]);
        else if (!store.read(kAppFocus, key).empty())
            store.save(kAppFocus, key, "");
    }
    store.save(kAppFocus, "NightMode", main.night_mode.value() == 1 ? "1" : "0");
    store.save(kAppFocus, "NightBrightness", main.night_brightness.text());
    const bool saved = store.commit();

    sound.close();
    return saved;
}

void restore_positions(const PlacedWindows& windows, Store& store) {
    for (const auto& [name, window] : windows) {
        const std::string stem = name;
        const auto x = text_to_int16(store.read(kAppFocus, stem + "Left"));
        const auto y = text_to_int16(store.read(kAppFocus, stem + "Top"));
        if (x && y) window->set_position(*x, *y);
    }
}

void save_positions(const PlacedWindows& windows, Store& store) {
    for (const auto& [name, window] : windows) {
        const auto& p = window->position();
        if (!p.known) continue;
        const std::string stem = name;
        store.save(kAppFocus, stem + "Left", std::to_string(p.x));
        store.save(kAppFocus, stem + "Top", std::to_string(p.y));
    }
}

}  // namespace orv
