#include "platform/qt/qt_file_reader.h"

#include <QFile>
#include <QFileInfo>

namespace orv::qt {

std::optional<std::string> QtFileReader::read(const std::string& path, std::string& error) {
    const QString name = QString::fromStdString(path);
    if (QFileInfo(name).isDir()) {
        error = "it is a folder";
        return std::nullopt;
    }
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString().toStdString();
        return std::nullopt;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        error = f.errorString().toStdString();
        return std::nullopt;
    }
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

}  // namespace orv::qt
