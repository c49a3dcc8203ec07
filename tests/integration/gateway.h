#pragma once
// ser2net, the network-to-serial gateway a user has in the field, in front of a device of the
// test's own, on a free loopback port. By default without ser2net's character delay (it holds
// what the device sends for two character times, at least 1 ms, before passing it to TCP), as
// the README configures it.

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <string>

#include "integration/boxsim_process.h"

namespace orv::test {

// A loopback port that nothing listens on now.
inline std::uint16_t free_port() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class Gateway {
public:
    explicit Gateway(const std::string& device, int baud = 9600, bool chardelay = false) {
        port_ = free_port();
        QFile f(dir_.filePath("ser2net.yaml"));
        f.open(QIODevice::WriteOnly);
        f.write(("connection: &box\n  accepter: tcp(nodelay),127.0.0.1," + std::to_string(port_) +
                 "\n  connector: serialdev," + device + "," + std::to_string(baud) +
                 "n81,local\n  options:\n    kickolduser: true\n" +
                 (chardelay ? "" : "    chardelay: false\n"))
                    .c_str());
        f.close();
        process_.start(QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/bin"}),
                       {"-n", "-u", "-c", f.fileName(), "-P", dir_.filePath("pid")});
        process_.waitForStarted(3000);
        QTcpSocket s;  // wait until it listens
        wait_until([&] {
            s.abort();
            s.connectToHost("127.0.0.1", port_);
            return s.waitForConnected(100);
        });
        s.abort();
    }
    ~Gateway() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    bool available() const { return process_.state() == QProcess::Running; }
    // Ends the gateway at once, as a gateway losing power would.
    void kill() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    std::uint16_t port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

}  // namespace orv::test
