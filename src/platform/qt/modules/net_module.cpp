// The network module: the TCP socket on QTcpSocket, with Qt Network and what it needs.
#include <QtGlobal>

#include "platform/qt/qt_tcp_socket.h"

extern "C" Q_DECL_EXPORT void* orvantis_make_tcp_socket() {
    return static_cast<orv::platform::TcpSocket*>(new orv::qt::QtTcpSocket);
}
