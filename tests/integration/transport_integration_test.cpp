// The real Qt serial port and socket against the simulated box.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "integration/boxsim_process.h"
#include "link/transport.h"
#include "platform/qt/linux_port_directory.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_tcp_socket.h"

namespace {

using orv::test::BoxSim;
using orv::test::to_hex;
using orv::test::wait_until;

struct RealTransport : ::testing::Test {
    BoxSim box;
    orv::qt::QtSerialPort serial;
    orv::qt::QtTcpSocket socket;
    std::unique_ptr<orv::qt::LinuxPortDirectory> ports;
    std::unique_ptr<orv::link::Transport> t;
    std::string received;
    int notifications = 0;

    void SetUp() override {
        ASSERT_FALSE(box.pty().empty());
        // Pin COM4 to the box's pseudo-terminal, as a user or the demo run would.
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv("ORVANTIS_PORTS", ("COM4=" + box.pty()).c_str());
        ports = std::make_unique<orv::qt::LinuxPortDirectory>();
        t = std::make_unique<orv::link::Transport>(serial, socket, *ports);
        t->on_serial_notify = [this] {
            ++notifications;
            received += t->read_serial();
        };
        t->on_socket_arrival = [this] { received += t->read_socket(); };
    }
    void TearDown() override { qunsetenv("ORVANTIS_PORTS"); }
    // Opens COM4, notifying of every byte.
    std::string open_com4(const std::string& line) {
        t->set_line_settings(line);
        t->set_port_number(4);
        t->set_threshold(1);
        return t->open_serial();
    }

    QTemporaryDir dir;
};

// Each byte value once, out through the port and then the socket and back from the box.
TEST_F(RealTransport, SerialAndSocketCarryEveryByteValueBothWays) {
    ASSERT_TRUE(ports->exists(4));
    EXPECT_FALSE(ports->exists(5));
    ASSERT_EQ(open_com4("9600,N,8,1"), "");
    bool connected = false;
    t->on_socket_connected = [&] { connected = true; };
    std::string all;
    for (int v = 0; v < 256; ++v) all.push_back(static_cast<char>(v));
    for (const std::string side : {"pty", "tcp"}) {
        if (side == "tcp") {
            t->close_serial();
            ASSERT_EQ(t->connect_socket("127.0.0.1", std::to_string(box.tcp_port())), "");
            ASSERT_TRUE(wait_until([&] { return connected; }));
            EXPECT_TRUE(t->socket_connected());
        }
        received.clear();
        ASSERT_TRUE(t->send_command(all));  // on whichever is open
        EXPECT_TRUE(wait_until([&] { return box.received_hex(side) == to_hex(all); }))
            << side << ": " << box.received_hex(side);
        box.send(all, side);
        EXPECT_TRUE(wait_until([&] { return received.size() >= all.size(); }));
        EXPECT_EQ(to_hex(received), to_hex(all)) << side;
    }
}

// The stop command written just before the program ends or the link is closed, with no turn of
// the event loop in between, still reaches the box.
TEST_F(RealTransport, TheLastCommandGoesOutWhenThePortOrSocketIsClosedOrDestroyed) {
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

TEST_F(RealTransport, ThresholdHoldsTheNotificationUntilTheBlockIsComplete) {
    ASSERT_EQ(open_com4("57600,N,8,1"), "");
    t->set_threshold(15);
    box.send(std::string("\x01\x2c#\x00\x05", 5), "pty");  // a "#" inside the block
    orv::test::pause(200);
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(t->in_count(), 5u);
    box.send(std::string(10, '\x23'), "pty");
    EXPECT_TRUE(wait_until([&] { return notifications > 0; }));
    EXPECT_EQ(received.size(), 15u);
}

}  // namespace
