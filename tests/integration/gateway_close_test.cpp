// What the program sends last before it ends a connection through ser2net (the stop commands of
// a run, the boot loader's closing bytes) reaches the box. ser2net drops what it has read but
// not yet passed to the serial line when the end of the connection comes with it.

#include <gtest/gtest.h>

#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "platform/qt/qt_tcp_socket.h"

namespace {

using orv::test::wait_until;

TEST(GatewayClose, WhatWasSentLastReachesTheBox) {
    orv::test::BoxSim box({"--box", "gen2"});
    orv::test::Gateway gateway(box.pty());
    orv::qt::QtTcpSocket socket;
    const auto closes = [&] { return box.logged("CMD #XP0#\n"); };
    int lost = 0;
    for (int k = 0; k < 20; ++k) {
        socket.connect_to("127.0.0.1", gateway.port());
        ASSERT_TRUE(wait_until(
            [&] { return socket.state() == orv::platform::SocketState::Connected; }, 3000));
        const std::size_t before = closes();
        socket.send("#XP0#");
        socket.close();
        if (!wait_until([&] { return closes() > before; }, 1000)) ++lost;
    }
    EXPECT_EQ(lost, 0);
}

// The program ends at once after the last command: the event loop that would have let the
// connection linger no longer turns, so the socket's end waits it out itself.
TEST(GatewayClose, WhatWasSentLastReachesTheBoxWhenTheProgramEnds) {
    orv::test::BoxSim box({"--box", "gen2"});
    orv::test::Gateway gateway(box.pty());
    int lost = 0;
    for (int k = 0; k < 20; ++k) {
        const std::size_t before = box.logged("CMD #XP0#\n");
        {
            orv::qt::QtTcpSocket socket;
            socket.connect_to("127.0.0.1", gateway.port());
            ASSERT_TRUE(wait_until(
                [&] { return socket.state() == orv::platform::SocketState::Connected; }, 3000));
            socket.send("#XP0#");
            socket.close();
        }
        if (!wait_until([&] { return box.logged("CMD #XP0#\n") > before; }, 1000)) ++lost;
    }
    EXPECT_EQ(lost, 0);
}

}  // namespace
