#pragma once
// The simulated box as a real process, and a way to wait on the real event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

inline std::string to_hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += {digits[c >> 4], digits[c & 15]};
    }
    return out;
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
        std::string out;
        wait_until([&] {
            out += process_.readAllStandardOutput().toStdString();
            return out.find("READY\n") != std::string::npos;
        });
        const auto value = [&out](const std::string& key) {
            const auto at = out.find(key);
            return at == std::string::npos
                       ? std::string()
                       : out.substr(at + key.size(), out.find('\n', at) - at - key.size());
        };
        pty_ = value("PTY ");
        const std::string tcp = value("TCP 127.0.0.1:");
        if (!tcp.empty()) tcp_port_ = static_cast<std::uint16_t>(std::stoi(tcp));
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
    std::string log() const {
        QFile f(log_path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string{};
    }
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
        std::string out;
        wait_until([&] {
            out += process_.readAllStandardOutput().toStdString();
            return out.find('\n') != std::string::npos;
        });
        return out.substr(0, out.find('\n'));
    }
    // The box sends these bytes, on "pty", "tcp" or both ("").
    void send(const std::string& bytes, const std::string& side = "") {
        ask("send" + side + " " + to_hex(bytes));
    }
    // Everything the box received (or with "TX", sent) on one side, as hex bytes separated by
    // blanks.
    std::string received_hex(const std::string& side, const std::string& kind = "RX") const {
        std::string all;
        const std::string tag = " " + side + " " + kind + " ";
        for (const QByteArray& line : QByteArray::fromStdString(log()).split('\n')) {
            const std::string l = line.toStdString();
            const auto at = l.find(tag);
            if (at == std::string::npos) continue;
            all += (all.empty() ? "" : " ") + l.substr(at + tag.size());
        }
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
