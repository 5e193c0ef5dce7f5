#pragma once

#include <QColor>

#include "common/Color.h"

namespace tavrilo {

inline QColor toQColor(ColorValue c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline ColorValue fromQColor(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

}  // namespace tavrilo
