// Saves the program's working values again and again, exactly as shutdown does, each time with
// a new generation number in every value, until it is killed. The durability test kills it at
// random moments and checks that the settings file is always one whole generation.
//
//   store_writer <config folder>

#include <QCoreApplication>
#include <string>

#include "../fakes/fakes.h"
#include "platform/qt/qt_settings_store.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    qputenv("XDG_CONFIG_HOME", argv[1]);
    QCoreApplication app(argc, argv);
    orv::fake::SoundPlayer sound;
    for (long generation = 1;; ++generation) {
        // A fresh store each time, as a fresh program would have at its shutdown.
        orv::qt::QtSettingsStore backend;
        orv::Store store(backend);
        orv::MainWindow main;
        orv::PortSettingsWindow settings;
        const std::string g = "g" + std::to_string(generation);
        for (auto* box :
             {&main.exposure_secs, &main.exposure_gap, &main.exposure_count, &main.focus_position,
              &main.setpoint_box[0], &main.setpoint_box[1], &main.increment_box})
            box->set_text(g);
        main.port_list.set_text(g);
        settings.baud_box.set_text(g);
        settings.ip_address.set_text(g);
        settings.ip_port.set_text(g);
        for (int i = 0; i < 10; ++i) {
            settings.ip_address.add_item(g);
            settings.ip_port.add_item(g);
        }
        if (!orv::shut_down(main, settings, store, sound)) return 1;
    }
}
