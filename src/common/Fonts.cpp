#include "common/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>
#include <cmath>

namespace tavrilo {
namespace {

constexpr const char* kWineFonts = "/usr/share/wine/fonts/";

bool g_tahoma = false;

bool addFont(const char* file) {
    const QString path = QString::fromLatin1(kWineFonts) + QString::fromLatin1(file);
    return QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0;
}

QFont makeFont(const QStringList& families, double points) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    return font;
}

}  // namespace

void loadBundledFonts() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    g_tahoma = addFont("tahoma.ttf");
    addFont("tahomabd.ttf");
    addFont("ms_sans_serif.ttf");
}

bool tahomaAvailable() { return g_tahoma; }

QFont tahoma(double points, bool bold) {
    QFont font = makeFont({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}, points);
    font.setBold(bold);
    return font;
}

QFont msSansSerif(double points) {
    return makeFont(
        {QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")},
        points);
}

}  // namespace tavrilo
