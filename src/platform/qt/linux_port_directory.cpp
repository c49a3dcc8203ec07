#include "platform/qt/linux_port_directory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <cstdlib>

namespace orv::qt {

namespace {

QString config_dir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/orvantis";
}

std::string read_text(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

void write_text(const QString& path, const std::string& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;
    f.write(text.data(), static_cast<qint64>(text.size()));
    f.commit();
}

}  // namespace

QString LinuxPortDirectory::memory_file() { return config_dir() + "/comports"; }
QString LinuxPortDirectory::pins_file() { return config_dir() + "/pins"; }

std::vector<link::SerialDevice> present_serial_devices() {
    std::map<QString, QString> by_id;  // canonical device path -> by-id name
    const QDir ids("/dev/serial/by-id");
    for (const QFileInfo& link : ids.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        by_id[link.canonicalFilePath()] = link.fileName();

    std::vector<link::SerialDevice> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        const QString canonical = QFileInfo(path).canonicalFilePath();
        QString identity;
        if (const auto it = by_id.find(canonical); it != by_id.end())
            identity = "by-id:" + it->second;
        else if (!info.serialNumber().isEmpty())
            identity = QString("usb:%1:%2:%3")
                           .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                           .arg(info.productIdentifier(), 4, 16, QChar('0'))
                           .arg(info.serialNumber());
        else
            identity = "path:" + path;
        identity.replace(' ', '_');
        out.push_back({path.toStdString(), identity.toStdString()});
    }
    return out;
}

LinuxPortDirectory::LinuxPortDirectory() {
    auto pins = link::parse_pins(read_text(pins_file()));
    if (const char* env = std::getenv("ORVANTIS_PORTS"))
        for (auto& [n, path] : link::parse_pins(env)) pins[n] = path;
    const std::string before = read_text(memory_file());
    const auto assigned = link::assign_com_numbers(present_serial_devices(),
                                                   link::parse_remembered(before), pins);
    paths_ = assigned.paths;
    const std::string after = link::format_remembered(assigned.remembered);
    if (after != before) write_text(memory_file(), after);
}

bool LinuxPortDirectory::exists(int n) {
    const auto it = paths_.find(n);
    return it != paths_.end() && QFileInfo::exists(QString::fromStdString(it->second));
}

std::string LinuxPortDirectory::device_path(int n) {
    const auto it = paths_.find(n);
    return it == paths_.end() ? std::string{} : it->second;
}

}  // namespace orv::qt
