#include <gtest/gtest.h>

#include "app/KeyboardNotes.h"

namespace tavrilo {
namespace {

struct KeyCase {
    std::uint32_t scanCode;  // X11 keycode of the key's place
    char32_t letter;
    int pitch;
};

// First and last key of each row, by place and by letter.
const KeyCase kKeys[] = {
    {52, U'Z', 1},  {59, U',', 8},  {38, U'A', 9}, {45, U'K', 16},
    {24, U'Q', 17}, {31, U'I', 24}, {55, U'V', 4}, {42, U'G', 13},
};

TEST(KeyboardNotes, ThreeRowsPlayPitchOneToTwentyFourByPlace) {
    for (const KeyCase& k : kKeys) {
        SCOPED_TRACE(static_cast<char>(k.letter));
        EXPECT_EQ(pitchForKey(k.scanCode, k.letter), k.pitch);
        // The place decides, whatever letter the layout puts there (an AZERTY "A" sits on Q).
        EXPECT_EQ(pitchForKey(k.scanCode, U'?'), k.pitch);
        // Without a keycode, the letter decides, in either case.
        EXPECT_EQ(pitchForKey(0, k.letter), k.pitch);
        if (k.letter >= U'A' && k.letter <= U'Z') {
            EXPECT_EQ(pitchForKey(0, k.letter + (U'a' - U'A')), k.pitch);
        }
    }
}

TEST(KeyboardNotes, OtherKeysPlayNothing) {
    // Keycodes just outside the rows: Tab 23, O 32, Caps 66 (before A is 37, Ctrl), L 46,
    // Shift 50, "." 60; and letters outside the rows without a keycode.
    for (std::uint32_t code : {23u, 32u, 37u, 46u, 50u, 51u, 60u, 9u, 255u})
        EXPECT_FALSE(pitchForKey(code, U'Q').has_value()) << code;
    for (char32_t c : {U'O', U'P', U'L', U'.', U'1', U' ', char32_t{0}, U'é'})
        EXPECT_FALSE(pitchForKey(0, c).has_value()) << static_cast<unsigned>(c);
}

}  // namespace
}  // namespace tavrilo
