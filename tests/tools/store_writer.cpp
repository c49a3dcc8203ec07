// Saves the program's working values again and again, exactly as shutdown does, each time with
// a new generation number in every value, until it is killed. The durability test kills it at
// random moments and checks that the settings file is always one whole generation.
//
//   store_writer <config folder>

#include <QCoreApplication>
#include <string>

#include "platform/qt/qt_settings_store.h"
#include "platform/sound_player.h"
#include "shell/startup.h"

namespace {

class Silent : public orv::platform::SoundPlayer {
public:
    void set_options(bool, bool, bool) override {}
    void set_device_type(const std::string&) override {}
    void set_file_name(const std::string&) override {}
    void command(const std::string&) override {}
    void beep() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    qputenv("XDG_CONFIG_HOME", argv[1]);
    QCoreApplication app(argc, argv);
    Silent sound;
    for (long generation = 1;; ++generation) {
        // A fresh store each time, as a fresh program would have at its shutdown.
        orv::qt::QtSettingsStore backend;
        orv::Store store(backend);
        orv::MainWindow main;
        orv::PortSettingsWindow settings;
        const std::string g = "g" + std::to_string(generation);
        for (auto* box : {&main.Text9, &main.Text10, &main.Text11, &main.Text13, &main.Text14,
                          &main.Text15, &main.Text16})
            box->set_text(g);
        main.Combo1.set_text(g);
        settings.Cbaud.set_text(g);
        settings.IPaddr.set_text(g);
        settings.IPport.set_text(g);
        for (int i = 0; i < 10; ++i) {
            settings.IPaddr.add_item(g);
            settings.IPport.add_item(g);
        }
        if (!orv::shut_down(main, settings, store, sound)) return 1;
    }
}
