#pragma once

class QApplication;

namespace tavrilo {

// The look every window shares, the same on every desktop: the Fusion style (it honours the
// button face colours), Tahoma text where available, the program's icon.
void applyApplicationLook(QApplication& app);

}  // namespace tavrilo
