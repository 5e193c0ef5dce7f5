#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

namespace tavrilo {

// The program's pictures, all drawn in code: nothing is loaded from files.

// Light brushed-metal panel, 224 grey on average: behind the main, panel and meter windows.
QImage panelBackdrop(QSize size, unsigned seed);
// The main window's background picture: 561 x 510 pixels.
QImage mainBackdrop();
// The name plate shown top left on the main and help windows: 178 x 38 pixels.
QImage logoPicture();
// The three rows of keys that play the synth, for the help window.
QImage keysPicture(QSize size);
// The program's icon, SIZE x SIZE pixels in sixteen colours; any size draws the same design.
QImage appIconImage(int size);
// The window icon: appIconImage(32).
QIcon appIcon();

}  // namespace tavrilo
