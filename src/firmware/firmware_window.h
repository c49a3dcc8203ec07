#pragma once
// The firmware update window, "Firmware Update"; it exists while it is open.

#include "platform/controls.h"

namespace orv {

class FirmwareWindow : public ui::Window {
public:
    FirmwareWindow() : ui::Window("Firmware Update") {}
};

}  // namespace orv
