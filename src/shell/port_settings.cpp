#include "shell/port_settings.h"

namespace orv {

namespace {

void remember_replaced(ui::ComboBox& box, const std::string& replaced) {
    if (box.text() == replaced || replaced.empty() || box.contains(replaced)) return;
    box.insert_item(0, replaced);
}

}  // namespace

PortSettingsWindow::PortSettingsWindow() : ui::Window("Form1") {
    for (auto [label, caption] : {std::pair{&lblSerial, "CommPort Settings"},
                                  std::pair{&lblBaud, "BAUDRATE"},
                                  std::pair{&lblTcp, "TCP Port Settings"},
                                  std::pair{&lblAddr, "IP Address"}, std::pair{&lblPort, "IP Port"}}) {
        label->set_caption(caption);
        label->set_accessible_name(caption);
    }
    Cbaud.set_accessible_name("BAUDRATE");
    Cbaud.set_text("9600");
    for (const char* rate : {"9600", "19200", "38400", "57600"}) Cbaud.add_item(rate);
    IPaddr.set_accessible_name("IP Address");
    IPaddr.set_text("192.168.1.3");
    IPport.set_accessible_name("IP Port");
    IPport.set_text("23");
    Command1.set_caption("OK");
    Command1.set_accessible_name("OK");
    Command1.clicked.connect([this] { ok(); });
}

void PortSettingsWindow::activated() {
    open_ipaddr = IPaddr.text();
    open_ipport = IPport.text();
}

void PortSettingsWindow::ok() {
    remember_replaced(IPaddr, open_ipaddr);
    remember_replaced(IPport, open_ipport);
    hide();
}

}  // namespace orv
