#include "platform/qt/module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace orv::qt {

void* make_from_module(const QString& in, const QString& file, const char* factory,
                       QString& error) {
    // Beside the program first (the build tree, a copy run from anywhere), then where it is
    // installed.
    const QStringList dirs =
        in.isEmpty()
            ? QStringList{QCoreApplication::applicationDirPath(),
                          // installed: <prefix>/bin and <prefix>/<libdir>/orvantis
                          QCoreApplication::applicationDirPath() + "/../" + ORV_MODULE_SUBDIR,
                          QString(ORV_MODULE_DIR)}
            : QStringList{in};
    QString tried;
    for (const QString& dir : dirs) {
        const QString path = QDir(dir).filePath(file);
        if (!QFileInfo::exists(path)) {
            tried += (tried.isEmpty() ? "" : ", ") + path;
            continue;
        }
        // Never unloaded, not even at exit: the audio stack keeps a thread of its own running
        // until the very end, and its code must still be there then.
        QLibrary library(path);
        library.setLoadHints(QLibrary::PreventUnloadHint);
        using Factory = void* (*)();
        const auto make = reinterpret_cast<Factory>(library.resolve(factory));
        if (make == nullptr) {
            error = library.errorString();
            return nullptr;
        }
        return make();
    }
    error = "not found (looked for " + tried + ")";
    return nullptr;
}

}  // namespace orv::qt
