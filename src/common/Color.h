#pragma once

#include <array>
#include <cstdint>

namespace tavrilo {

// A 24-bit colour laid out as 0xBBGGRR (red in the low byte), the form the board stores and
// the chalk table compares.
using ColorValue = std::uint32_t;

constexpr ColorValue rgb(int r, int g, int b) {
    return static_cast<ColorValue>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(ColorValue c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(ColorValue c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }

namespace colors {
inline constexpr ColorValue black = rgb(0, 0, 0);
inline constexpr ColorValue white = rgb(255, 255, 255);
inline constexpr ColorValue red = rgb(255, 0, 0);
inline constexpr ColorValue green = rgb(0, 255, 0);
inline constexpr ColorValue yellow = rgb(255, 255, 0);
inline constexpr ColorValue closeRed = rgb(192, 0, 0);
inline constexpr ColorValue darkGrey = rgb(64, 64, 64);
inline constexpr ColorValue grey = rgb(128, 128, 128);
inline constexpr ColorValue lightGrey = rgb(192, 192, 192);
inline constexpr ColorValue panelGrey = rgb(224, 224, 224);
// The palette's chalks by swatch number: grey, blue, green, cyan, red, magenta, yellow, white
// (the upper half of the classic sixteen colours) and orange.
inline constexpr std::array<ColorValue, 9> chalks = {
    rgb(128, 128, 128), rgb(0, 0, 255),   rgb(0, 255, 0),     rgb(0, 255, 255), rgb(255, 0, 0),
    rgb(255, 0, 255),   rgb(255, 255, 0), rgb(255, 255, 255), rgb(255, 128, 0)};
}  // namespace colors

}  // namespace tavrilo
