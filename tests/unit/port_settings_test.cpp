#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/port_settings.h"

namespace {

using Items = std::vector<std::string>;

struct PortSettings : ::testing::Test {
    orv::PortSettingsWindow w;
    void SetUp() override {
        w.ip_address.add_item("10.0.0.1");
        w.ip_port.add_item("4001");
        w.show();
        w.activated();
    }
};

TEST(PortSettingsWindow, StartsHiddenWithItsTexts) {
    orv::PortSettingsWindow w;
    EXPECT_EQ(w.title(), "Form1");
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.baud_box.text(), "9600");
    EXPECT_EQ(w.baud_box.items(), (Items{"9600", "19200", "38400", "57600"}));
    EXPECT_EQ(w.ip_address.text(), "192.168.1.3");
    EXPECT_EQ(w.ip_port.text(), "23");
    EXPECT_TRUE(w.ip_address.items().empty());
    EXPECT_TRUE(w.ip_port.items().empty());
}

TEST_F(PortSettings, OkPutsTheReplacedAddressOnTopOnlyOnce) {
    w.ip_address.set_text("192.168.1.50");
    w.ok_button.click();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.ip_address.items(), (Items{"192.168.1.3", "10.0.0.1"}));
    EXPECT_EQ(w.ip_port.items(), (Items{"4001"}));  // only the address changed

    // Again from an address already in the list (not at the top): no duplicate, no move.
    w.ip_address.set_text("10.0.0.1");
    w.show();
    w.activated();
    w.ip_address.set_text("10.0.0.9");
    w.ok();
    EXPECT_EQ(w.ip_address.items(), (Items{"192.168.1.3", "10.0.0.1"}));
}

}  // namespace
