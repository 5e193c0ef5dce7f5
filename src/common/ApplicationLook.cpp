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
    // On X11 the application name becomes the class in every window's WM_CLASS
    // ("tavrilo-synth", "Tavrilo Synth"), which the desktop entry names as its StartupWMClass;
    // on Wayland the desktop file name is the windows' app id. Both must be set before the
    // first window is created.
    app.setApplicationName(QStringLiteral("Tavrilo Synth"));
    app.setDesktopFileName(QStringLiteral("org.tavrilo.Synth"));
}

}  // namespace tavrilo
