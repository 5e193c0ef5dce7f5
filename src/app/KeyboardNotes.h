#pragma once

#include <cstdint>
#include <optional>

namespace tavrilo {

// Three rows of eight keys play the 24 pitch indices, low to high:
//   Z X C V B N M ,   pitch 1..8
//   A S D F G H J K   pitch 9..16
//   Q W E R T Y U I   pitch 17..24
// Keys are matched by their physical place (the X11/evdev keycode, which stays the same
// whatever the layout), and by their letter where the platform gives no keycode.
std::optional<std::int16_t> pitchForKey(std::uint32_t nativeScanCode, char32_t character);

}  // namespace tavrilo
