#pragma once
// Start-up and shutdown of the main window: the working values restored from and saved to the
// settings store, the port list filled, the notification sound prepared.

#include <utility>
#include <vector>

#include "platform/port_directory.h"
#include "platform/sound_player.h"
#include "shell/store.h"
#include "ui/main_window.h"
#include "ui/port_settings.h"

namespace orv {

// The sound the program has always named; a player that cannot open it uses its own.
inline constexpr const char* kSoundFile = "c:\\windows\\mzm.wav";

void start_up(MainWindow& main, PortSettingsWindow& settings, Store& store,
              platform::PortDirectory& ports, platform::SoundPlayer& sound);

// Where the main, port settings and firmware windows were ("MainLeft", "MainTop", ... in the
// store, each window under its key stem): restored before they are shown, saved with the
// working values.
using PlacedWindows = std::vector<std::pair<const char*, ui::Window*>>;
void restore_positions(const PlacedWindows& windows, Store& store);
void save_positions(const PlacedWindows& windows, Store& store);

// Saves the working values; returns false when the store could not be written.
bool shut_down(MainWindow& main, PortSettingsWindow& settings, Store& store,
               platform::SoundPlayer& sound);

}  // namespace orv
