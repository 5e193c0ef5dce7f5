#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

namespace tavrilo {

// The program's pictures, all drawn in code: nothing is loaded from files. Sizes are in logical
// pixels; each picture is drawn with `dpr` device pixels to the logical one (and carries that
// ratio), so it shows at the same size and stays crisp on a high-density screen.

// Light brushed-metal panel, the panels' light grey on average: behind the main, panel and
// meter windows.
QImage panelBackdrop(QSize size, unsigned seed, qreal dpr = 1);
// The main window's background picture: 561 x 510.
QImage mainBackdrop(qreal dpr = 1);
// The name plate shown top left on the main and help windows: 178 x 38.
QImage logoPicture(qreal dpr = 1);
// The three rows of keys that play the synth, for the help window.
QImage keysPicture(QSize size, qreal dpr = 1);
// The program's icon, SIZE x SIZE pixels in sixteen colours; any size draws the same design.
QImage appIconImage(int size);
// The window icon: appIconImage(32), and 64 for screens of twice the density.
QIcon appIcon();

}  // namespace tavrilo
