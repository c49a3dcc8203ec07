#include <gtest/gtest.h>

#include <string>

#include "fakes/fakes.h"
#include "link/transport.h"

namespace {

using orv::link::Transport;

struct TransportTest : ::testing::Test {
    orv::fake::SerialPort serial;
    orv::fake::TcpSocket socket;
    orv::fake::PortDirectory ports;
    Transport t{serial, socket, ports};
    int notifications = 0;
    int not_connected = 0;

    void SetUp() override {
        ports.ports = {{3, "/dev/pts/9"}, {10, "/dev/ttyUSB4"}};
        t.on_serial_notify = [this] { ++notifications; };
        t.on_not_connected = [this] { ++not_connected; };
    }
    void open(int n, const std::string& settings = "9600,N,8,1") {
        t.set_line_settings(settings);
        t.set_port_number(n);
        t.set_threshold(1);
        t.discard_input();
        ASSERT_EQ(t.open_serial(), "");
    }
};

TEST_F(TransportTest, OpensTheDeviceOfTheComNumberWithTheLineSettings) {
    open(10, "57600,N,8,1");
    EXPECT_EQ(serial.opened_path, "/dev/ttyUSB4");
    EXPECT_EQ(serial.opened_line.baud, 57600);
    EXPECT_EQ(serial.opened_line.parity, 'N');
    EXPECT_EQ(serial.opened_line.data_bits, 8);
    EXPECT_EQ(serial.opened_line.stop_bits, 1);
}

TEST_F(TransportTest, TakesEveryLineSettingTheBoxCanBeSetTo) {
    for (const char* good : {"9600,N,5,1", "9600,E,8,2", "115200,O,7,1", "300,M,6,1", "1,S,8,1"})
        EXPECT_TRUE(orv::link::parse_line_settings(good).has_value()) << good;
    for (const char* bad : {"96x0,N,8,1", "9600,N,x,1", "9600,N,8,x", "9600,N,4,1", "9600,N,9,1",
                            "9600,N,8,0", "9600,N,8,3", "9600,X,8,1", "0,N,8,1", "9600,NN,8,1"})
        EXPECT_FALSE(orv::link::parse_line_settings(bad).has_value()) << bad;
}

TEST_F(TransportTest, RefusesToOpenWithAReasonAndStaysClosed) {
    t.set_port_number(3);
    for (const char* bad : {",N,8,1", "fast,N,8,1", "-9600,N,8,1", "9600.5,N,8,1"}) {
        t.set_line_settings(bad);
        const std::string why = t.open_serial();
        EXPECT_NE(why.find("baud rate"), std::string::npos) << bad;
        EXPECT_FALSE(t.serial_open());
    }
    t.set_line_settings("9600,N,8,1");
    t.set_port_number(4);
    EXPECT_EQ(t.open_serial(), "COM4 does not exist on this computer.");
    t.set_port_number(3);
    serial.refuse = "permission denied";
    EXPECT_EQ(t.open_serial(), "COM3 (/dev/pts/9) cannot be opened: permission denied");
    EXPECT_FALSE(t.serial_open());
    EXPECT_EQ(serial.open_count, 0);
}

TEST_F(TransportTest, SendRulePrefersAConnectedSocket) {
    open(3);
    t.send_command("#Q#");
    EXPECT_EQ(serial.written, "#Q#");
    ASSERT_EQ(t.connect_socket("127.0.0.1", "4001"), "");
    t.send_command("#F+#");  // still connecting: serial takes it
    EXPECT_EQ(serial.written, "#Q##F+#");
    socket.accept();
    t.send_command("#FQ#");
    EXPECT_EQ(socket.sent, "#FQ#");
    EXPECT_EQ(serial.written, "#Q##F+#");
    EXPECT_EQ(not_connected, 0);
}

TEST_F(TransportTest, EveryByteValueGoesOutAndComesInUnchanged) {
    std::string all;
    for (int v = 0; v < 256; ++v) all.push_back(static_cast<char>(v));
    open(3);
    t.send_command(all);
    EXPECT_EQ(serial.written, all);
    serial.arrive(all);
    EXPECT_EQ(t.read_serial(), all);

    t.close_serial();
    ASSERT_EQ(t.connect_socket("localhost", "23"), "");
    socket.accept();
    t.send_command(all);
    EXPECT_EQ(socket.sent, all);
    socket.arrive(all);
    EXPECT_EQ(t.read_socket(), all);
}

TEST_F(TransportTest, ThresholdHoldsTheNotificationUntilEnoughBytesWait) {
    t.set_threshold(13);  // readable while the port is closed
    EXPECT_EQ(t.threshold(), 13);
    open(3);
    t.set_threshold(15);
    serial.arrive(std::string(14, '\x23'));
    EXPECT_EQ(notifications, 0);
    serial.arrive("#");
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(t.read_serial().size(), 15u);
    t.set_threshold(1);
    serial.arrive("x");
    EXPECT_EQ(notifications, 2);
}

TEST_F(TransportTest, NothingIsSentWhileNeitherTransportIsOpen) {
    EXPECT_FALSE(t.send_command("#Q#"));
    EXPECT_EQ(not_connected, 1);
    EXPECT_FALSE(t.write_serial("GVN#"));
    EXPECT_FALSE(t.send_socket("GVN#"));
    EXPECT_EQ(serial.written, "");
    EXPECT_EQ(socket.sent, "");
}

TEST_F(TransportTest, ConnectReadsThePortTextAndClosesAPendingSocketFirst) {
    for (const char* bad : {"", "abc", "0", "65536", "23.5", " 23", "-1"})
        EXPECT_NE(t.connect_socket("10.0.0.1", bad), "") << bad;
    EXPECT_EQ(socket.connects, 0);
    ASSERT_EQ(t.connect_socket("10.0.0.1", "65535"), "");
    EXPECT_EQ(socket.port, 65535);
    ASSERT_EQ(t.connect_socket("10.0.0.2", "1"), "");
    EXPECT_EQ(socket.connects, 2);
    EXPECT_EQ(socket.host, "10.0.0.2");
    t.close_socket();
    EXPECT_EQ(t.socket_state(), orv::platform::SocketState::Closed);
}

}  // namespace
