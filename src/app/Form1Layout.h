#pragma once

#include <array>

#include "common/Controls.h"

namespace tavrilo {

// The lines drawn on the main window's surface: the palette frame, the group rules and the
// rule under the top button row.
const std::array<DecorLine, 7>& form1Lines();

}  // namespace tavrilo
