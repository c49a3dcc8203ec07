#include "platform/qt/linux_port_directory.h"

#include "platform/qt/serial_doctor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdlib>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

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

namespace {

QString read_attribute(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}

// A port of the 8250 driver exists as a device node whether or not there is a UART behind it;
// the kernel knows the type of the ones that are real.
bool real_8250_port(const QString& device) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

// The USB device a tty belongs to: the nearest folder above its device that names a vendor.
QString usb_device_dir(const QString& device_dir) {
    QDir dir(QFileInfo(device_dir).canonicalFilePath());
    for (int up = 0; up < 6 && !dir.isRoot(); ++up, dir.cdUp())
        if (QFileInfo::exists(dir.filePath("idVendor"))) return dir.path();
    return {};
}

}  // namespace

std::vector<link::SerialDevice> present_serial_devices(const QString& sys, const QString& dev) {
    std::map<QString, QString> by_id;  // canonical device path -> by-id name
    const QDir ids(dev + "/serial/by-id");
    for (const QFileInfo& link : ids.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        by_id[link.canonicalFilePath()] = link.fileName();

    // Read from sysfs directly: every tty with a device behind it (the virtual consoles and
    // pseudo-terminals have none). Asking udev for the whole tty class takes 15 to 20 ms,
    // which start-up need not wait for.
    std::vector<link::SerialDevice> out;
    const QDir ttys(sys + "/class/tty");
    for (const QString& name :
         ttys.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device_dir = ttys.filePath(name + "/device");
        if (!QFileInfo::exists(device_dir)) continue;
        const QString path = dev + "/" + name;
        if (!QFileInfo::exists(path)) continue;
        const QString driver =
            QFileInfo(QFileInfo(device_dir + "/driver").symLinkTarget()).fileName();
        if (driver == "serial8250" && !real_8250_port(path)) continue;

        QStringList about{path};
        QString identity;
        const auto id = by_id.find(QFileInfo(path).canonicalFilePath());
        if (id != by_id.end()) {
            identity = "by-id:" + id->second;
            about << dev + "/serial/by-id/" + id->second;
        }
        if (const QString usb = usb_device_dir(device_dir); !usb.isEmpty()) {
            const QString vendor = read_attribute(usb + "/idVendor");
            const QString product = read_attribute(usb + "/idProduct");
            const QString serial = read_attribute(usb + "/serial");
            QString line = "USB " + vendor + ":" + product;
            for (const QString& text :
                 {read_attribute(usb + "/manufacturer"), read_attribute(usb + "/product")})
                if (!text.isEmpty()) line += ", " + text;
            if (!serial.isEmpty()) line += ", serial number " + serial;
            about << line;
            if (identity.isEmpty() && !serial.isEmpty())
                identity = QString("usb:%1:%2:%3").arg(vendor, product, serial);
        }
        if (!driver.isEmpty()) about << "driver " + driver;
        if (identity.isEmpty()) identity = "path:" + path;
        identity.replace(' ', '_');
        out.push_back({path.toStdString(), identity.toStdString(), about.join('\n').toStdString()});
    }
    return out;
}

LinuxPortDirectory::LinuxPortDirectory() {
    auto pins = link::parse_pins(read_text(pins_file()));
    if (const char* env = std::getenv("ORVANTIS_PORTS"))
        for (auto& [n, path] : link::parse_pins(env)) pins[n] = path;
    const std::string before = read_text(memory_file());
    const auto present = present_serial_devices();
    for (const auto& d : present) descriptions_[d.path] = d.description;
    const auto assigned = link::assign_com_numbers(present, link::parse_remembered(before), pins);
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

std::vector<std::string> processes_holding(const std::string& device) {
    std::vector<std::string> out;
    const QString wanted = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    if (wanted.isEmpty()) return out;
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QDir proc("/proc");
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.front() < '0' || pid.front() > '9') continue;
        const QDir fds(proc.filePath(pid + "/fd"));
        for (const QFileInfo& fd :
             fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() != wanted) continue;
            const QString name = read_attribute(proc.filePath(pid + "/comm"));
            out.push_back((name.isEmpty() ? QString("a program") : name).toStdString() + " (pid " +
                          pid.toStdString() + ")");
            break;
        }
    }
    return out;
}

std::vector<std::string> LinuxPortDirectory::holders(int n) {
    const std::string path = device_path(n);
    // The program at the other end of a pseudo-terminal (a simulated box, a gateway) keeps its
    // side open as a matter of course: that is no other program in the way.
    if (path.empty() || path.rfind("/dev/pts/", 0) == 0) return {};
    return processes_holding(path);
}

std::string LinuxPortDirectory::describe(int n) {
    const std::string path = device_path(n);
    const auto it = descriptions_.find(path);
    // A pinned device that sysfs does not list (a pseudo-terminal, say) is its path.
    return it == descriptions_.end() ? path : it->second;
}

std::vector<std::string> LinuxPortDirectory::grabbers() { return adapter_grabbers(); }

platform::AdapterLatency LinuxPortDirectory::latency(int n) {
    const std::string path = device_path(n);
    return path.empty() ? platform::AdapterLatency{} : latency_timer(path);
}

}  // namespace orv::qt
