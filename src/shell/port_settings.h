#pragma once
// The port settings window ("Form1"): baud rate, IP address and IP port, with a history of the
// addresses and ports that were replaced.

#include <string>

#include "platform/controls.h"

namespace orv {

class PortSettingsWindow : public ui::Window {
public:
    PortSettingsWindow();

    // The window became the active window of the program.
    void activated();
    // OK: the replaced address and port go to the top of their lists, then the window hides.
    void ok();
    // The window system's close control: hide only, lists untouched.
    void close_control() { hide(); }

    ui::Label lblSerial{"lblSerial"};
    ui::Label lblBaud{"lblBaud"};
    ui::ComboBox Cbaud{"Cbaud"};
    ui::Label lblTcp{"lblTcp"};
    ui::Label lblAddr{"lblAddr"};
    ui::ComboBox IPaddr{"IPaddr"};
    ui::Label lblPort{"lblPort"};
    ui::ComboBox IPport{"IPport"};
    ui::Button Command1{"Command1"};

    std::string open_ipaddr;
    std::string open_ipport;
};

}  // namespace orv
