// Writes the program's icon as PNG files for the package, from the same
// drawing the window uses, so the menu and the window show one picture.
//   write_program_icon OUTPUT_DIRECTORY SIZE...
// writes OUTPUT_DIRECTORY/SIZExSIZE/tavlinftp.png for each size.
#include "ui/drawn_images.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: write_program_icon OUTPUT_DIRECTORY SIZE...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "write_program_icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !makeProgramIcon(size).save(folder + QStringLiteral("/tavlinftp.png"), "PNG")) {
            std::fprintf(stderr, "write_program_icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
