// Naming serial devices COM1 to COM10: kept across runs, pinned by hand, read from the store.

#include <gtest/gtest.h>

#include "link/com_names.h"

namespace {

using orv::link::assign_com_numbers;
using orv::link::SerialDevice;
using Paths = std::map<int, std::string>;

TEST(ComNames, NewDevicesTakeTheLowestFreeNumbersAndKeepThemNextRun) {
    const auto first =
        assign_com_numbers({{"/dev/ttyUSB1", "usb-B"}, {"/dev/ttyUSB0", "usb-A"}}, {}, {});
    EXPECT_EQ(first.paths, (Paths{{1, "/dev/ttyUSB0"}, {2, "/dev/ttyUSB1"}}));

    // Next run: A is unplugged, B re-enumerated under another node; a new device C arrives.
    const auto second = assign_com_numbers({{"/dev/ttyUSB0", "usb-B"}, {"/dev/ttyACM0", "usb-C"}},
                                           first.remembered, {});
    EXPECT_EQ(second.paths, (Paths{{2, "/dev/ttyUSB0"}, {3, "/dev/ttyACM0"}}));  // COM1 kept for A

    const auto third = assign_com_numbers({{"/dev/ttyUSB5", "usb-A"}}, second.remembered, {});
    EXPECT_EQ(third.paths, (Paths{{1, "/dev/ttyUSB5"}}));
}

TEST(ComNames, PinsWinAndTheirDeviceIsNotNamedTwice) {
    const auto a = assign_com_numbers({{"/dev/ttyUSB0", "usb-A"}, {"/dev/pts/4", "/dev/pts/4"}},
                                      {{"usb-A", 3}}, {{3, "/dev/pts/7"}, {5, "/dev/pts/4"}});
    EXPECT_EQ(a.paths, (Paths{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/7"}, {5, "/dev/pts/4"}}));
    EXPECT_EQ(a.remembered.at("usb-A"), 1);
}

// The number the new device takes (0: none, all ten are in use).
TEST(ComNames, ANewDeviceTakesTheLowestNumberNoAbsentDeviceWantsBackElseTheLowestNotInUse) {
    struct Case {
        std::vector<int> present, absent;  // the numbers of the devices here and of those gone
        int expected;                      // the new device's number
    };
    for (const Case& c :
         {Case{{}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 1}, Case{{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10}, 10},
          Case{{2, 3, 4, 5, 6, 7, 8, 9}, {1}, 10}, Case{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}, 0}}) {
        std::vector<SerialDevice> present{{"/dev/ttyACM0", "new"}};
        std::map<std::string, int> remembered;
        for (int n : c.absent) remembered["gone" + std::to_string(n)] = n;
        for (int n : c.present) {
            present.push_back({"/dev/ttyUSB" + std::to_string(n), "here" + std::to_string(n)});
            remembered["here" + std::to_string(n)] = n;
        }
        const auto paths = assign_com_numbers(present, remembered, {}).paths;
        int got = 0;
        for (const auto& [n, path] : paths) got = path == "/dev/ttyACM0" ? n : got;
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(paths.size(), std::min<std::size_t>(c.present.size() + 1, 10)) << c.expected;
    }
}

TEST(ComNames, PinsAndMemoryParseLeniently) {
    EXPECT_EQ(orv::link::parse_pins(
                  "COM3=/dev/pts/4; com10 = /dev/ttyS0,COM11=/x,bad,COM0=/y,COM2=,ABC4=/z"),
              (Paths{{3, "/dev/pts/4"}, {10, "/dev/ttyS0"}}));
    const std::map<std::string, int> mem{{"usb-FTDI_1", 4}, {"pci-0000:00", 1}};
    EXPECT_EQ(orv::link::parse_remembered(orv::link::format_remembered(mem)), mem);
    EXPECT_TRUE(orv::link::parse_remembered("garbage\n12 x\n").empty());
}

}  // namespace
