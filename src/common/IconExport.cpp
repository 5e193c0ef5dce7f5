// Writes the program's icon as PNG files for the desktop's icon theme, at build time:
//   tavrilo-icon-export DIR NAME SIZE...
// writes DIR/<SIZE>x<SIZE>/apps/NAME.png for every SIZE, drawn by the program's own artwork.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "common/Artwork.h"

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);  // the artwork may draw text, which needs a platform
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: tavrilo-icon-export DIR NAME SIZE...\n");
        return 2;
    }
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(dir, args[2]);
        if (!ok || size < 1 || !QDir().mkpath(dir) ||
            !tavrilo::appIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "tavrilo-icon-export: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
