// The real Qt serial port and socket against the simulated box as a real process, and whole
// sessions with it: the settings and RF channel written and read back over the pseudo-terminal,
// over TCP straight to the box and through a real ser2net gateway, with the traffic log saved
// and held against what the box's own log says it received and sent.

#include <gtest/gtest.h>

#include <fstream>

#include "integration/live_program.h"
#include "link/transport.h"

namespace {

using orv::test::to_hex;
using orv::test::wait_until;

// The real port and socket under the transport, with COM4 pinned to the box's pseudo-terminal as
// a user or the demo run would. The notification waits for the whole block; then each byte
// value goes once out through the port and then the socket, and back from the box.
TEST(RealTransport, ThresholdHoldsTheBlockAndSerialAndSocketCarryEveryByteValueBothWays) {
    orv::test::BoxSim box;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("ORVANTIS_PORTS", ("COM4=" + box.pty()).c_str());
    orv::qt::LinuxPortDirectory ports;
    qunsetenv("ORVANTIS_PORTS");
    orv::qt::QtSerialPort serial;
    orv::qt::QtTcpSocket socket;
    orv::link::Transport t(serial, socket, ports);
    std::string received;
    int notifications = 0;
    t.on_serial_notify = [&] {
        ++notifications;
        received += t.read_serial();
    };
    t.on_socket_arrival = [&] { received += t.read_socket(); };
    ASSERT_TRUE(ports.exists(4));
    EXPECT_FALSE(ports.exists(5));
    t.set_line_settings("57600,N,8,1");
    t.set_port_number(4);
    t.set_threshold(15);
    ASSERT_EQ(t.open_serial(), "");
    box.send(std::string("\x01\x2c#\x00\x05", 5), "pty");  // a "#" inside the block
    orv::test::pause(200);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(t.in_count(), 5u);
    box.send(std::string(10, '\x23'), "pty");
    EXPECT_TRUE(wait_until([&] { return notifications > 0; }));
    EXPECT_EQ(received.size(), 15u);

    t.set_threshold(1);
    std::string all;
    for (int v = 0; v < 256; ++v) all.push_back(static_cast<char>(v));
    for (const std::string side : {"pty", "tcp"}) {
        if (side == "tcp") {
            t.close_serial();
            ASSERT_EQ(t.connect_socket("127.0.0.1", std::to_string(box.tcp_port())), "");
            ASSERT_TRUE(wait_until([&] { return t.socket_connected(); }));
        }
        received.clear();
        ASSERT_TRUE(t.send_command(all));  // on whichever is open
        EXPECT_TRUE(wait_until([&] { return box.received_hex(side) == to_hex(all); }))
            << side << ": " << box.received_hex(side);
        box.send(all, side);
        EXPECT_TRUE(wait_until([&] { return received.size() >= all.size(); }));
        EXPECT_EQ(to_hex(received), to_hex(all)) << side;
    }
}

// The stop command written just before the program ends or the link is closed, with no turn of
// the event loop in between, still reaches the box.
TEST(RealTransport, TheLastCommandGoesOutWhenThePortOrSocketIsClosedOrDestroyed) {
    orv::test::BoxSim box;
    for (const bool destroy : {false, true}) {
        const std::string stop = destroy ? "#XP0#" : "#FQ#";
        auto port = std::make_unique<orv::qt::QtSerialPort>();
        ASSERT_EQ(port->open(box.pty(), {}), "");
        auto peer = std::make_unique<orv::qt::QtTcpSocket>();
        peer->connect_to("127.0.0.1", box.tcp_port());
        ASSERT_TRUE(
            wait_until([&] { return peer->state() == orv::platform::SocketState::Connected; }));
        port->write(stop);
        peer->send(stop);
        if (destroy) {
            port.reset();
            peer.reset();
        } else {
            port->close();
            peer->close();
        }
        for (const std::string side : {"pty", "tcp"})
            EXPECT_TRUE(wait_until([&] { return box.logged(side + " CMD " + stop) > 0; }))
                << side << " " << stop;
    }
}

// The bytes of the saved log's lines in one direction ('>' sent, '<' received), "<0D>" read
// back as the byte it stands for.
std::string bytes_in(const std::string& file, char direction) {
    std::ifstream in(file);
    const std::string tag = std::string("  ") + direction + "  ";
    std::string out, line;
    while (std::getline(in, line)) {
        const auto at = line.find(tag);
        for (auto i = at + tag.size(); at != std::string::npos && i < line.size(); ++i) {
            const bool code = line[i] == '<' && i + 3 < line.size() && line[i + 3] == '>';
            out +=
                code ? static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)) : line[i];
            if (code) i += 3;
        }
    }
    return out;
}

enum class Link { Pty, Tcp, Ser2net };
struct Case {
    const char* name;
    const char* box;
    Link link;
};
class Session : public ::testing::TestWithParam<Case> {};

TEST_P(Session, SettingsAndChannelReadBackAsWrittenAndTheLogIsWhatTheBoxSaw) {
    const Case c = GetParam();
    const bool gen2 = std::string(c.box) == "gen2";
    // The box's pseudo-terminal itself, not a link to it: the box holds a linked one open too,
    // which the program would rightly warn of.
    orv::test::BoxSim box({"--box", c.box});
    std::unique_ptr<orv::test::Gateway> gateway;
    if (c.link == Link::Ser2net) gateway = std::make_unique<orv::test::Gateway>(box.pty());
    orv::test::LiveProgram p(c.link == Link::Pty ? "COM3=" + box.pty() : "");
    auto& m = p.main();
    ASSERT_TRUE(c.link == Link::Pty
                    ? p.connect_and_identify("COM3")
                    : p.connect_tcp_and_identify(gateway ? gateway->port() : box.tcp_port()));
    EXPECT_EQ(m.state.ver, gen2 ? 2 : 1);
    p.dialogs.shown.clear();
    const auto read_settings = [&] {
        m.read_settings.click();
        return wait_until([&] { return !p.program->read_timer->active(); }, 3000);
    };

    ASSERT_TRUE(read_settings());  // once, so that the time boxes are enabled, as a user would
    const char* values[6] = {"300", "35", "40000", "0", "65535", "8995"};  // 35, 8995: "#" bytes
    for (int k = 0; k < 6; ++k) m.time_boxes[k].set_text(values[k]);
    m.rev_ra.set_value(1);
    m.rev_dec.set_value(0);
    m.autostar_mode.set_value(gen2 ? 1 : 0);
    m.sequential_guiding.set_value(0);
    m.write_settings.click();
    ASSERT_TRUE(wait_until([&] { return !p.program->settings_write.running(); }, 5000));
    QString dump = QString::fromStdString(box.ask("dump")).toLower();
    EXPECT_EQ(dump.remove(QRegularExpression("[^0-9a-f]")).left(gen2 ? 30 : 26).toStdString(),
              std::string("01") + "012c" + "0023" + "9c40" + "0000" + "ffff" + "2323" +
                  (gen2 ? "0100" : ""));

    for (auto& t : m.time_boxes) t.set_text("1");
    m.rev_ra.set_value(0);
    ASSERT_TRUE(read_settings());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m.time_boxes[k].text(), values[k]) << k;
    EXPECT_EQ(m.rev_ra.value(), 1);
    EXPECT_EQ(m.autostar_mode.value(), gen2 ? 1 : 0);

    m.channel_box.set_text("35");
    m.write_channel.click();
    wait_until([&] { return box.logged("CMD #sCh") > 0; }, 2000);
    m.channel_box.set_text("0");
    m.read_channel.click();
    // WRITE's acknowledgement "#" reads as channel 35 too, so the box's log is what tells that
    // the read was answered; then everything the box sent must have been read here.
    const std::string side = c.link == Link::Tcp ? "tcp" : "pty";
    ASSERT_TRUE(wait_until([&] {
        const std::string log = box.log();
        const auto read_at = log.find("CMD #gCh");
        return read_at != std::string::npos &&
               log.find(" " + side + " TX ", read_at) != std::string::npos &&
               p.program->transport.received() == (box.received_hex(side, "TX").size() + 1) / 3;
    }));
    EXPECT_EQ(m.channel_box.text(), "35");
    QTemporaryDir dir;
    const std::string file = dir.filePath("saved.log").toStdString();
    p.dialogs.files = {file};
    p.program->traffic_window.save.click();
    EXPECT_EQ(p.said(), "");  // nothing went wrong in the whole session
    // The box writes its log a moment after it answers: let it catch up.
    wait_until([&] { return to_hex(bytes_in(file, '<')) == box.received_hex(side, "TX"); }, 2000);
    EXPECT_EQ(to_hex(bytes_in(file, '>')), box.received_hex(side));
    EXPECT_EQ(to_hex(bytes_in(file, '<')), box.received_hex(side, "TX"));
}

INSTANTIATE_TEST_SUITE_P(Links, Session,
                         ::testing::Values(Case{"gen1_pty", "gen1", Link::Pty},
                                           Case{"gen2_tcp", "gen2", Link::Tcp},
                                           Case{"gen2_ser2net", "gen2", Link::Ser2net},
                                           Case{"gen1_ser2net", "gen1", Link::Ser2net}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
