#pragma once
// The way into the firmware window ("FirmWare Upload" behind the service password) and loading
// a HEX file into it with its confirmation code.

#include <string>

#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "shell/store.h"
#include "ui/firmware_window.h"
#include "ui/main_window.h"

namespace orv::firmware {

inline constexpr const char* kPassword = "7reed4reed";
inline constexpr const char* kHexFilter = "Hex Files (*.hex)|*.hex;";

class FirmwareLoader {
public:
    FirmwareLoader(MainWindow& main, FirmwareWindow& window, platform::Dialogs& dialogs,
                   platform::FileReader& files, Store& store);

    void open_window();
    void browse();

private:
    void confirm();

    MainWindow& main_;
    FirmwareWindow& window_;
    platform::Dialogs& dialogs_;
    platform::FileReader& files_;
    Store& store_;
};

}  // namespace orv::firmware
