#include "link/transport.h"
#include "connected_rig.h"

namespace {

TEST(Transport, TakesEveryLineSettingTheBoxCanBeSetTo) {
    for (const char* good :
         {"9600,N,5,1", "9600,E,8,2", "115200,O,7,1", "300,M,6,1", "1,S,8,1", "100000000,N,8,1"})
        EXPECT_TRUE(orv::link::parse_line_settings(good).has_value()) << good;
    for (const char* bad :
         {"96x0,N,8,1", "9600,N,x,1", "9600,N,8,x", "9600,N,4,1", "9600,N,9,1", "9600,N,8,0",
          "9600,N,8,3", "9600,X,8,1", "0,N,8,1", "9600,NN,8,1", "1234567890,N,8,1"})
        EXPECT_FALSE(orv::link::parse_line_settings(bad).has_value()) << bad;
}

TEST(Transport, ConnectReadsThePortTextAndClosesAPendingSocketFirst) {
    orv::fake::SerialPort serial;
    orv::fake::TcpSocket socket;
    orv::fake::PortDirectory ports;
    orv::link::Transport t{serial, socket, ports};
    for (const char* bad : {"", "abc", "0", "65536", "23.5", " 23", "-1"})
        EXPECT_NE(t.connect_socket("10.0.0.1", bad), "") << bad;
    EXPECT_EQ(socket.connects, 0);
    for (const char* good : {"65535", "9", "1"}) {
        EXPECT_EQ(t.connect_socket("10.0.0.2", good), "");
        EXPECT_EQ(socket.port, std::stoi(good));
    }
    EXPECT_EQ(std::tuple(socket.connects, socket.host), std::tuple(3, "10.0.0.2"));
    t.close_socket();
    EXPECT_EQ(t.socket_state(), orv::platform::SocketState::Closed);
}

}  // namespace
