// Writes the program's icon as PNG files for the freedesktop icon theme, drawn by the same code
// as the window icon: <folder>/<N>x<N>/apps/vantor.png for each size N given.
// Usage: vantor_make_icons <folder> <size>...
#include <QDir>
#include <QString>
#include <cstdio>

#include "mainwindow/Icons.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!ok || size < 1 || !QDir().mkpath(folder) ||
            !DrawProgramIcon(size).save(folder + "/vantor.png", "PNG")) {
            std::fprintf(stderr, "vantor_make_icons: cannot write the %s pixel icon in %s\n",
                         argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
