#include "app/KeyboardNotes.h"

#include <array>

namespace tavrilo {
namespace {

// X11 keycodes (evdev + 8) of the first key of each row; the eight keys of a row are
// consecutive codes on every PC keyboard.
constexpr std::array<std::uint32_t, 3> kRowStart = {52 /* Z */, 38 /* A */, 24 /* Q */};
constexpr std::array<const char*, 3> kRowLetters = {"ZXCVBNM,", "ASDFGHJK", "QWERTYUI"};
constexpr int kKeysPerRow = 8;

}  // namespace

std::optional<std::int16_t> pitchForKey(std::uint32_t nativeScanCode, char32_t character) {
    for (std::size_t row = 0; row < kRowStart.size(); ++row) {
        const int base = static_cast<int>(row) * kKeysPerRow + 1;
        if (nativeScanCode != 0) {
            if (nativeScanCode >= kRowStart[row] && nativeScanCode < kRowStart[row] + kKeysPerRow)
                return static_cast<std::int16_t>(base + (nativeScanCode - kRowStart[row]));
            continue;
        }
        if (character >= U'a' && character <= U'z') character -= U'a' - U'A';
        for (int k = 0; k < kKeysPerRow; ++k)
            if (static_cast<char32_t>(kRowLetters[row][k]) == character)
                return static_cast<std::int16_t>(base + k);
    }
    return std::nullopt;
}

}  // namespace tavrilo
