#pragma once
// The simulated box as a real process, and a way to wait on the real event loop.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orv::test {

// Runs the event loop until `done` holds or `timeout_ms` passes; false on time-out.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 5000) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wake;  // keeps the wait from blocking past the deadline
    wake.start(5);
    while (!done()) {
        if (elapsed.elapsed() > timeout_ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
// Runs the event loop for `ms`.
inline void pause(int ms) { wait_until([] { return false; }, ms); }

// Writes `bytes` to `path`, making the folders that lead to it; false when it cannot.
inline bool write_file(const QString& path, const QByteArray& bytes = {}) {
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) &&
           f.write(bytes) == bytes.size();
}
// The whole file at `path`, empty when it cannot be read.
inline std::string read_file(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string{};
}

inline std::string to_hex(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toHex(' ').toStdString();
}

// How often `needle` occurs in `text`.
inline std::size_t count(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

class BoxSim {
public:
    explicit BoxSim(const QStringList& options = {}) {
        log_path_ = dir_.filePath("box.log");
        process_.start(BOXSIM_PATH, QStringList{"--log", log_path_} + options);
        process_.waitForStarted(5000);
        QString out;
        wait_until([&] { return (out += process_.readAllStandardOutput()).contains("READY\n"); });
        const auto value = [&out](const QString& key) {
            return QRegularExpression(key + "(\\S+)").match(out).captured(1);
        };
        pty_ = value("PTY ").toStdString();
        tcp_port_ = value("TCP 127.0.0.1:").toUShort();
    }
    ~BoxSim() {
        process_.write("quit\n");
        if (!process_.waitForFinished(3000)) process_.kill();
    }

    const std::string& pty() const { return pty_; }
    std::uint16_t tcp_port() const { return tcp_port_; }
    // Ends the box at once, as a pulled cable or a dead gateway would.
    void kill() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    // The box's log, whole.
    std::string log() const { return read_file(log_path_); }
    // How often the box logged `text`, e.g. "CMD #FQ#\n".
    std::size_t logged(const std::string& text) const { return count(log(), text); }
    // The commands the box recognised, in order, with their times in milliseconds.
    std::vector<std::pair<double, std::string>> commands() const {
        std::vector<std::pair<double, std::string>> out;
        for (const QByteArray& line : QByteArray::fromStdString(log()).split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() >= 4 && parts[2] == "CMD")
                out.emplace_back(parts[0].toDouble(), line.mid(line.indexOf(" CMD ") + 5).toStdString());
        }
        return out;
    }

    // A control command; returns the box's answer line ("OK ..." or "ERR ...").
    std::string ask(const std::string& line) {
        process_.readAllStandardOutput();
        process_.write((line + "\n").c_str());
        QString out;
        wait_until([&] { return (out += process_.readAllStandardOutput()).contains('\n'); });
        return out.section('\n', 0, 0).toStdString();
    }
    // The box sends these bytes, on "pty", "tcp" or both ("").
    void send(const std::string& bytes, const std::string& side = "") {
        ask("send" + side + " " + to_hex(bytes));
    }
    // Everything the box received (or with "TX", sent) on one side, as hex bytes separated by
    // blanks.
    std::string received_hex(const std::string& side, const std::string& kind = "RX") const {
        std::string all;
        const QByteArray tag = QByteArray::fromStdString(" " + side + " " + kind + " ");
        for (const QByteArray& line : QByteArray::fromStdString(log()).split('\n'))
            if (line.contains(tag))
                all += (all.empty() ? "" : " ") +
                       line.mid(line.indexOf(tag) + tag.size()).toStdString();
        return all;
    }

private:
    QTemporaryDir dir_;
    QString log_path_;
    QProcess process_;
    std::string pty_;
    std::uint16_t tcp_port_ = 0;
};

}  // namespace orv::test
