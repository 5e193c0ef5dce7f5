#pragma once

#include <QFont>

namespace tavrilo {

// Registers the Tahoma and MS Sans Serif faces that Debian's fonts-wine ships outside the
// fontconfig path. Safe to call more than once; where the files are missing the fonts below
// fall back to the system's sans-serif face.
void loadBundledFonts();

// Fonts by their point size at 96 dpi, turned into pixels so that text has the same size
// whatever density the platform reports (8.25 pt is 11 px).
QFont tahoma(double points, bool bold = false);
QFont msSansSerif(double points);

bool tahomaAvailable();

}  // namespace tavrilo
