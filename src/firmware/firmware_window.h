#pragma once
// The firmware update window, "Firmware Update": it exists while it is open, and every opening
// starts from the same controls.

#include <cstdint>

#include "platform/controls.h"

namespace orv {

inline constexpr const char* kFileBoxText = "Load *.hex file";

class FirmwareWindow : public ui::Window {
public:
    FirmwareWindow();

    // Puts every control back as it is when the window opens.
    void reset();
    // The window system's close control: like EXIT, and like EXIT not while programming.
    void close_control() {
        if (Command4.enabled()) close();
    }

    ui::Label lblFile{"lblFile"};
    ui::TextBox Text1{"Text1"};       // the loaded file's path
    ui::Button Command1{"Command1"};  // Browse..
    ui::ListBox List1{"List1"};       // the loaded file's lines
    ui::Label lblReply{"lblReply"};
    ui::TextBox Text2{"Text2"};       // the boot loader's replies
    ui::ProgressBar Bar1{"Bar1"};
    ui::Label Label4{"Label4"};       // status line
    ui::Button Command2{"Command2"};  // BOOT UP
    ui::Button Command3{"Command3"};  // PROGRAM
    ui::Button Command4{"Command4"};  // EXIT

    std::int64_t checksum = 0;
};

}  // namespace orv
