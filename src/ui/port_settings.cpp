#include "ui/port_settings.h"

namespace orv {

namespace {

void remember_replaced(ui::ComboBox& box, const std::string& replaced) {
    if (box.text() == replaced || replaced.empty() || box.contains(replaced)) return;
    box.insert_item(0, replaced);
}

}  // namespace

PortSettingsWindow::PortSettingsWindow() : ui::Window("Form1") {
    for (auto [label, caption] :
         {std::pair{&serial_label, "CommPort Settings"}, std::pair{&baud_label, "BAUDRATE"},
          std::pair{&tcp_label, "TCP Port Settings"}, std::pair{&ip_address_label, "IP Address"},
          std::pair{&ip_port_label, "IP Port"}}) {
        label->set_caption(caption);
        label->set_accessible_name(caption);
    }
    baud_box.set_accessible_name("BAUDRATE");
    baud_box.set_text("9600");
    for (const char* rate : {"9600", "19200", "38400", "57600"}) baud_box.add_item(rate);
    ip_address.set_accessible_name("IP Address");
    ip_address.set_text("192.168.1.3");
    ip_port.set_accessible_name("IP Port");
    ip_port.set_text("23");
    ok_button.set_caption("OK");
    ok_button.set_accessible_name("OK");
    ok_button.clicked.connect([this] { ok(); });
}

void PortSettingsWindow::activated() {
    open_ipaddr = ip_address.text();
    open_ipport = ip_port.text();
}

void PortSettingsWindow::ok() {
    remember_replaced(ip_address, open_ipaddr);
    remember_replaced(ip_port, open_ipport);
    hide();
}

}  // namespace orv
