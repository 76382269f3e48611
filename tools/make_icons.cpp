// Writes the program's picture for the desktop's menu into the folder given on the command
// line, in the sizes desktops look for: <folder>/<n>x<n>/apps/quillmere.png.

#include "app/ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons FOLDER\n");
        return 2;
    }
    // Drawing into an image needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(side);
        if (!QDir().mkpath(sizeFolder)
            || !drawProgramIcon(side).save(sizeFolder + QStringLiteral("/quillmere.png"))) {
            std::fprintf(stderr, "make_icons: cannot write into %s\n", qPrintable(sizeFolder));
            return 1;
        }
    }
    return 0;
}
