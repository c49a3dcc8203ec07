// What the program sends last before it ends a connection through ser2net (the stop commands of
// a run, the boot loader's closing bytes) reaches the box. ser2net drops what it has read but
// not yet passed to the serial line when the end of the connection comes with it, so the ended
// connection lingers a moment; the window must not wait for it.

#include <sys/socket.h>

#include <gtest/gtest.h>
#include <QTcpServer>
#include <memory>

#include "integration/boxsim_process.h"
#include "integration/gateway.h"
#include "platform/qt/qt_tcp_socket.h"

namespace {

using orv::test::wait_until;

bool connected(const orv::qt::QtTcpSocket& socket) {
    return wait_until([&] { return socket.state() == orv::platform::SocketState::Connected; },
                      3000);
}

// Closed while the program goes on, or closed and gone at once as at the program's end.
TEST(GatewayClose, WhatWasSentLastReachesTheBox) {
    orv::test::BoxSim box({"--box", "gen2"});
    orv::test::Gateway gateway(box.pty());
    const auto closes = [&] { return box.logged("CMD #XP0#\n"); };
    for (const bool program_ends : {false, true}) {
        SCOPED_TRACE(program_ends ? "the program ends" : "the program goes on");
        auto socket = std::make_unique<orv::qt::QtTcpSocket>();
        int lost = 0;
        for (int k = 0; k < 20; ++k) {
            if (!socket) socket = std::make_unique<orv::qt::QtTcpSocket>();
            socket->connect_to("127.0.0.1", gateway.port());
            ASSERT_TRUE(connected(*socket));
            const std::size_t before = closes();
            socket->send("#XP0#");
            socket->close();
            if (program_ends) socket.reset();
            if (!wait_until([&] { return closes() > before; }, 1000)) ++lost;
        }
        EXPECT_EQ(lost, 0);
    }
}

// close() hands the last bytes on and returns; the connection itself ends a moment later.
TEST(GatewayClose, TheWindowDoesNotWaitForTheGateway) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    orv::qt::QtTcpSocket socket;
    socket.connect_to("127.0.0.1", server.serverPort());
    ASSERT_TRUE(connected(socket));
    ASSERT_TRUE(wait_until([&] { return server.hasPendingConnections(); }, 3000));
    QTcpSocket* peer = server.nextPendingConnection();
    socket.send("#XP0#");
    socket.close();
    char got[16] = {};
    EXPECT_EQ(::recv(static_cast<int>(peer->socketDescriptor()), got, sizeof got, MSG_DONTWAIT), 5);
    EXPECT_STREQ(got, "#XP0#");
    EXPECT_LT(::recv(static_cast<int>(peer->socketDescriptor()), got, sizeof got, MSG_DONTWAIT), 0)
        << "the connection ended before close() returned";
    EXPECT_TRUE(wait_until([&] { return peer->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(socket.state(), orv::platform::SocketState::Closed);
}

}  // namespace
