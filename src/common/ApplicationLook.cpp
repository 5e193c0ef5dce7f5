#include "common/ApplicationLook.h"

#include <QApplication>
#include <QStyleFactory>

#include "common/Artwork.h"
#include "common/Fonts.h"

namespace tavrilo {

void applyApplicationLook(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    loadBundledFonts();
    app.setFont(tahoma(8.25));
    app.setWindowIcon(appIcon());
    app.setApplicationName(QStringLiteral("Tavrilo Synth"));
}

}  // namespace tavrilo
