#include "shell/startup.h"

#include <string>

#include "link/port_probe.h"
#include "shell/number.h"

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
    main.Text13.set_text(focus.empty() ? "5000" : focus);

    main.Text14.set_text(store.read(kAppFocus, "focussp1"));
    restore_spinner(main.VScroll1, main.Text14.text());
    main.Text15.set_text(store.read(kAppFocus, "focussp2"));
    restore_spinner(main.VScroll2, main.Text15.text());

    main.Text16.set_text(store.read(kAppFocus, "focusinc"));
    if (!is_number(main.Text16.text())) main.Text16.set_text("50");

    settings.IPaddr.set_text(store.read(kAppFocus, "IPaddr"));
    settings.IPport.set_text(store.read(kAppFocus, "IPport"));
    for (int i = 0; i <= 9; ++i) {
        const std::string addr = store.read(kAppFocus, "IPaddr" + std::to_string(i));
        if (!addr.empty()) settings.IPaddr.add_item(addr);
        const std::string port = store.read(kAppFocus, "IPport" + std::to_string(i));
        if (!port.empty()) settings.IPport.add_item(port);
    }

    main.state.focus_goto1 = false;
    main.state.focus_goto2 = false;

    for (std::int16_t n = 1; n <= 10; ++n)
        if (link::probe_com_port(ports, n) != 0) main.Combo1.add_item("COM" + std::to_string(n));
    main.Combo1.add_item("Search COM");
    main.Combo1.add_item("TCP Port");
    main.Combo1.set_text(store.read(kAppPorts, "CommPort"));

    settings.Cbaud.set_text(store.read(kAppPorts, "CommBaud"));

    main.Text9.set_text(store.read(kAppPorts, "ShutterTime"));
    main.Text10.set_text(store.read(kAppPorts, "ShutterGap"));
    main.Text11.set_text(store.read(kAppPorts, "ShutterCount"));

    main.Shape1.set_fill_color(kRed);

    sound.set_options(false, true, false);
    sound.set_device_type("WaveAudio");
    sound.set_file_name(kSoundFile);
    sound.command("Open");
}

bool shut_down(MainWindow& main, PortSettingsWindow& settings, Store& store,
               platform::SoundPlayer& sound) {
    store.save(kAppPorts, "CommPort", main.Combo1.text());
    store.save(kAppPorts, "CommBaud", settings.Cbaud.text());
    store.save(kAppPorts, "ShutterTime", main.Text9.text());
    store.save(kAppPorts, "ShutterGap", main.Text10.text());
    store.save(kAppPorts, "ShutterCount", main.Text11.text());

    store.save(kAppFocus, "focus", main.Text13.text());
    store.save(kAppFocus, "focussp1", main.Text14.text());
    store.save(kAppFocus, "focussp2", main.Text15.text());
    store.save(kAppFocus, "focusinc", main.Text16.text());

    store.save(kAppFocus, "IPaddr", settings.IPaddr.text());
    store.save(kAppFocus, "IPport", settings.IPport.text());
    const auto& addrs = settings.IPaddr.items();
    const auto& ports = settings.IPport.items();
    for (std::size_t i = 0; i <= 9; ++i) {
        store.save(kAppFocus, "IPaddr" + std::to_string(i), i < addrs.size() ? addrs[i] : "");
        store.save(kAppFocus, "IPport" + std::to_string(i), i < ports.size() ? ports[i] : "");
    }
    const bool saved = store.commit();

    sound.command("Close");
    return saved;
}

}  // namespace orv
