// Settings written to the simulated box and read back, and the RF channel set and read back,
// over its pseudo-terminal and over TCP through ser2net.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "integration/live_program.h"

namespace {

using orv::test::BoxSim;
using orv::test::Gateway;
using orv::test::LiveProgram;
using orv::test::wait_until;

struct Case {
    const char* box;
    bool through_gateway;
};

class RoundTrip : public ::testing::TestWithParam<Case> {};

std::string hex_only(std::string s) {
    std::string out;
    for (char c : s)
        if (std::isxdigit(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(c));
    return out;
}

TEST_P(RoundTrip, WrittenSettingsAndChannelReadBackTheSame) {
    const Case c = GetParam();
    const bool gen2 = std::string(c.box) == "gen2";
    BoxSim box({"--box", c.box});
    std::unique_ptr<Gateway> gateway;
    std::unique_ptr<LiveProgram> live;
    if (c.through_gateway) {
        gateway = std::make_unique<Gateway>(box.pty());
        ASSERT_TRUE(gateway->available());
        live = std::make_unique<LiveProgram>("");
        ASSERT_TRUE(live->connect_tcp_and_identify(gateway->port()));
    } else {
        live = std::make_unique<LiveProgram>("COM3=" + box.pty());
        ASSERT_TRUE(live->connect_and_identify("COM3"));
    }
    LiveProgram& p = *live;
    auto& m = p.main();
    p.dialogs.shown.clear();

    // Read once so the time boxes are enabled, as a user would.
    m.read_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->read_timer->active(); }, 3000));
    const char* values[6] = {"300", "35", "40000", "0", "65535", "8995"};  // 35, 8995: "#" bytes
    for (int k = 0; k < 6; ++k) m.time_boxes[k].set_text(values[k]);
    m.rev_ra.set_value(1);
    m.rev_dec.set_value(0);
    m.autostar_mode.set_value(gen2 ? 1 : 0);
    m.sequential_guiding.set_value(0);
    m.write_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->settings_write.running(); }, 5000));
    EXPECT_TRUE(p.dialogs.shown.empty()) << p.dialogs.shown.front().text;
    EXPECT_EQ(hex_only(box.ask("dump")).substr(0, gen2 ? 30 : 26),
              std::string("01") + "012c" + "0023" + "9c40" + "0000" + "ffff" + "2323" +
                  (gen2 ? "0100" : ""));

    for (auto& t : m.time_boxes) t.set_text("1");
    m.rev_ra.set_value(0);
    m.read_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->read_timer->active(); }, 3000));
    EXPECT_TRUE(p.dialogs.shown.empty());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m.time_boxes[k].text(), values[k]) << k;
    EXPECT_EQ(m.rev_ra.value(), 1);
    EXPECT_EQ(m.autostar_mode.value(), gen2 ? 1 : 0);

    m.channel_box.set_text("35");
    m.write_channel.click();
    wait_until([&] { return box.log().find("CMD #sCh") != std::string::npos; }, 2000);
    m.channel_box.set_text("0");
    m.read_channel.click();
    EXPECT_TRUE(wait_until([&] { return m.channel_box.text() == "35"; }, 2000))
        << m.channel_box.text();
}

INSTANTIATE_TEST_SUITE_P(Boxes, RoundTrip,
                         ::testing::Values(Case{"gen1", false}, Case{"gen2", false},
                                           Case{"gen1", true}, Case{"gen2", true}),
                         [](const auto& param_info) {
                             return std::string(param_info.param.box) +
                                    (param_info.param.through_gateway ? "_ser2net" : "_pty");
                         });

}  // namespace
