#pragma once
// The port settings window (titled "Form1"): baud rate, IP address and IP port, with a history
// of the addresses and ports that were replaced.

#include <string>
#include <vector>

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

    ui::Label serial_label{"lblSerial"};
    ui::Label baud_label{"lblBaud"};
    ui::ComboBox baud_box{"Cbaud"};
    ui::Label tcp_label{"lblTcp"};
    ui::Label ip_address_label{"lblAddr"};
    ui::ComboBox ip_address{"IPaddr"};
    ui::Label ip_port_label{"lblPort"};
    ui::ComboBox ip_port{"IPport"};
    ui::Button ok_button{"Command1"};

    // Every control, for checks that walk the whole window.
    std::vector<ui::Control*> all_controls() {
        return {&serial_label, &baud_label,    &baud_box, &tcp_label, &ip_address_label,
                &ip_address,   &ip_port_label, &ip_port,  &ok_button};
    }

    std::string open_ipaddr;
    std::string open_ipport;
};

}  // namespace orv
