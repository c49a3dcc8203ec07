#include "ui/port_settings.h"
#include "connected_rig.h"

namespace {

TEST(PortSettingsWindow, StartsHiddenWithItsTextsAndOkPutsTheReplacedAddressOnTopOnlyOnce) {
    orv::PortSettingsWindow w;
    EXPECT_FALSE(w.visible());
    EXPECT_EQ((Texts{w.title(), w.baud_box.text(), w.ip_address.text(), w.ip_port.text()}),
              (Texts{"Form1", "9600", "192.168.1.3", "23"}));
    EXPECT_EQ(w.baud_box.items(), (Texts{"9600", "19200", "38400", "57600"}));
    EXPECT_EQ(w.ip_address.items().size() + w.ip_port.items().size(), 0u);

    w.ip_address.add_item("10.0.0.1");
    w.ip_port.add_item("4001");
    w.show();
    w.activated();
    w.ip_address.set_text("192.168.1.50");
    w.ok_button.click();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.ip_address.items(), (Texts{"192.168.1.3", "10.0.0.1"}));
    EXPECT_EQ(w.ip_port.items(), (Texts{"4001"}));  // only the address changed

    // Again from an address already in the list (not at the top): no duplicate, no move.
    w.ip_address.set_text("10.0.0.1");
    w.show();
    w.activated();
    w.ip_address.set_text("10.0.0.9");
    w.ok();
    EXPECT_EQ(w.ip_address.items(), (Texts{"192.168.1.3", "10.0.0.1"}));
}

}  // namespace
