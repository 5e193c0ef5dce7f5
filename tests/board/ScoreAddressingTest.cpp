#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>

#include "board/ScoreAddressing.h"

namespace tavrilo {
namespace {

// Step i is centred on X = 240 i and an exact half goes to the even column, so even steps own
// both ends of their span. Far off the board the column saturates instead of overflowing.
TEST(ScoreAddressing, ColumnOfXRoundsHalvesToEvenAndSaturates) {
    constexpr float kPast = 240 * 0x1p31f;  // the first X whose column no longer fits
    const std::tuple<float, std::int32_t> cases[] = {
        {120, 0},   {121, 1},           {360, 2},           {600, 2},
        {840, 4},   {7559, 31},         {7560, 32},         {-120, 0},
        {-121, -1}, {-600, -2},         {1e30f, INT32_MAX}, {-1e30f, INT32_MIN},
        {NAN, 0},   {kPast, INT32_MAX},
    };
    for (const auto& [x, column] : cases) {
        SCOPED_TRACE("x = " + std::to_string(x));
        EXPECT_EQ(columnOfX(x), column);
    }
}

// Y is rounded half to even, then divided with the remainder dropped towards zero. Huge Y
// saturates at the int32 limits first (2147483647 / 200); no divisor gives 0.
TEST(ScoreAddressing, DrawnValueRoundsYHalfToEvenThenTruncatesTowardsZero) {
    const std::tuple<float, int, std::int32_t> cases[] = {
        {4800, 200, 24},          {2499, 50, 49},  {2500, 50, 50}, {199.5f, 200, 1},
        {198.5f, 200, 0},         {189, 190, 0},   {-199, 200, 0}, {-199.5f, 200, -1},
        {-399, 200, -1},          {-400, 200, -2}, {NAN, 50, 0},   {1e20f, 200, 10737418},
        {-1e20f, 200, -10737418}, {1000, 0, 0},
    };
    for (const auto& [y, divisor, value] : cases) {
        SCOPED_TRACE("y = " + std::to_string(y) + ", divisor " + std::to_string(divisor));
        EXPECT_EQ(drawnValue(y, divisor), value);
    }
}

// Swatches grey, blue, green, cyan, red, magenta, yellow, white, orange: stored colour (0xBBGGRR),
// row, divisor and the value at the board's lowest point, Y = 4899, where blue and green reach
// only 6. Just above the board (Y = -30) every chalk computes 0, never a negative value.
TEST(ScoreAddressing, EveryChalkColourFindsItsRowAndScale) {
    const std::tuple<ColorValue, Row, int, int> chalks[] = {
        {8421504, Row::Tone, 200, 24}, {16711680, Row::Osc1, 720, 6},
        {65280, Row::Osc2, 720, 6},    {16776960, Row::AM1, 50, 97},
        {255, Row::FM, 50, 97},        {16711935, Row::VOL, 50, 97},
        {65535, Row::AM2, 50, 97},     {16777215, Row::Decay, 200, 24},
        {33023, Row::Atteck, 190, 25},
    };
    for (int swatch = 0; swatch < kChalks; ++swatch) {
        const auto& [stored, row, divisor, lowest] = chalks[swatch];
        SCOPED_TRACE("swatch " + std::to_string(swatch));
        EXPECT_EQ(chalkTable()[static_cast<std::size_t>(swatch)].color, stored);
        const auto chalk = findChalk(stored);
        ASSERT_TRUE(chalk.has_value());
        EXPECT_EQ(chalk->row, row);
        EXPECT_EQ(chalk->divisor, divisor);
        EXPECT_EQ(drawnValue(4899, chalk->divisor), lowest);
        EXPECT_EQ(drawnValue(-30, chalk->divisor), 0);
    }
    // Black, a grey one step off, orange with red and blue swapped, grey above 24 bits.
    for (ColorValue colour : {0u, 8421505u, 0xFF8000u, 0x1808080u}) {
        SCOPED_TRACE(std::to_string(colour));
        EXPECT_FALSE(findChalk(colour).has_value());
    }
}

}  // namespace
}  // namespace tavrilo
