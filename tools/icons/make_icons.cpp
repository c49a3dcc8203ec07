// Writes the program's icon as PNG files for the icon theme, drawn by the same code as the
// window icon:  make_icons <folder> <size>...   (makes <folder>/<size>x<size>/apps/orvantis.png)

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_view.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: make_icons <folder> <size>...\n", stderr);
        return 2;
    }
    QGuiApplication app(argc, argv);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString dir = QString("%1/%2x%2/apps").arg(argv[1]).arg(size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !orv::app::orvantis_picture(size).save(dir + "/orvantis.png"))
            return 1;
    }
    return 0;
}
