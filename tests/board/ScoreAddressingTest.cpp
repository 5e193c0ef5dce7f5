#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "board/ScoreAddressing.h"

namespace tavrilo {
namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// Step i is centred on X = 240 i; an exact half goes to the even column, so even steps own
// both ends of their span.
TEST(ScoreAddressing, ColumnOfXRoundsHalvesToEven) {
    struct Case {
        float x;
        std::int32_t column;
    } cases[] = {
        {0.0f, 0},       {120.0f, 0},     {121.0f, 1},     {360.0f, 2},   {600.0f, 2},
        {840.0f, 4},     {7320.0f, 30},   {7321.0f, 31},   {7559.0f, 31}, {7560.0f, 32},
        {7695.0f, 32},   {-120.0f, 0},    {-121.0f, -1},   {-360.0f, -2}, {-600.0f, -2},
        {119.99999f, 0}, {120.00001f, 1}, {359.99997f, 1}, {-0.0f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x));
        EXPECT_EQ(columnOfX(c.x), c.column);
    }
}

// Far outside the board (a drag across several screens, or garbage) the column saturates
// instead of overflowing.
TEST(ScoreAddressing, ColumnOfXSaturatesFarOutsideTheBoard) {
    struct Case {
        float x;
        std::int32_t column;
    } cases[] = {
        {1e30f, kInt32Max},
        {-1e30f, kInt32Min},
        {std::numeric_limits<float>::infinity(), kInt32Max},
        {-std::numeric_limits<float>::infinity(), kInt32Min},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        // 2^31 * 240 is the first X whose column no longer fits.
        {515396075520.0f, kInt32Max},
        // 2^24 * 240, exactly a whole column and well inside the range.
        {4026531840.0f, 16777216},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("x = " + std::to_string(c.x));
        EXPECT_EQ(columnOfX(c.x), c.column);
    }
}

TEST(ScoreAddressing, DrawnValueRoundsYHalfToEvenThenTruncatesTowardsZero) {
    struct Case {
        float y;
        int divisor;
        std::int32_t value;
    } cases[] = {
        {0.0f, 200, 0},     {199.0f, 200, 0},   {199.4f, 200, 0},   {199.5f, 200, 1},
        {198.5f, 200, 0},   {200.0f, 200, 1},   {4800.0f, 200, 24}, {2499.0f, 50, 49},
        {2500.0f, 50, 50},  {2499.5f, 50, 50},  {2498.5f, 50, 49},  {189.0f, 190, 0},
        {189.5f, 190, 1},   {188.5f, 190, 0},   {-30.0f, 200, 0},   {-199.0f, 200, 0},
        {-199.5f, 200, -1}, {-200.0f, 200, -1}, {-200.5f, 200, -1}, {-399.0f, 200, -1},
        {-400.0f, 200, -2}, {-49.5f, 50, -1},   {-48.5f, 50, 0},    {-50.0f, 50, -1},
        {-190.0f, 190, -1}, {-720.0f, 720, -1}, {4860.0f, 720, 6},  {4899.0f, 720, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("y = " + std::to_string(c.y) + ", divisor " + std::to_string(c.divisor));
        EXPECT_EQ(drawnValue(c.y, c.divisor), c.value);
    }
}

TEST(ScoreAddressing, DrawnValueOfAbsurdInputsStaysDefined) {
    // 2147483647 / 200 and -2147483648 / 200, truncated.
    EXPECT_EQ(drawnValue(1e20f, 200), 10737418);
    EXPECT_EQ(drawnValue(-1e20f, 200), -10737418);
    EXPECT_EQ(drawnValue(std::numeric_limits<float>::quiet_NaN(), 50), 0);
    EXPECT_EQ(drawnValue(1000.0f, 0), 0);
    EXPECT_EQ(drawnValue(1000.0f, -5), 0);
}

// The palette's colours as the board stores them (0xBBGGRR, in decimal), each with the row it
// writes and its divisor, written out by hand.
struct ChalkCase {
    const char* name;
    ColorValue stored;
    Row row;
    int divisor;
    int swatch;
};
const ChalkCase kChalkCases[] = {
    {"grey", 8421504, Row::Tone, 200, 0},   {"blue", 16711680, Row::Osc1, 720, 1},
    {"green", 65280, Row::Osc2, 720, 2},    {"cyan", 16776960, Row::AM1, 50, 3},
    {"red", 255, Row::FM, 50, 4},           {"magenta", 16711935, Row::VOL, 50, 5},
    {"yellow", 65535, Row::AM2, 50, 6},     {"white", 16777215, Row::Decay, 200, 7},
    {"orange", 33023, Row::Atteck, 190, 8},
};

TEST(ScoreAddressing, EveryChalkColourFindsItsRowAndDivisor) {
    for (const ChalkCase& c : kChalkCases) {
        SCOPED_TRACE(c.name);
        const auto chalk = findChalk(c.stored);
        ASSERT_TRUE(chalk.has_value());
        EXPECT_EQ(chalk->color, c.stored);
        EXPECT_EQ(chalk->row, c.row);
        EXPECT_EQ(chalk->divisor, c.divisor);
        EXPECT_EQ(chalk->swatch, c.swatch);
        EXPECT_EQ(chalkTable()[static_cast<std::size_t>(c.swatch)].color, c.stored);
        // Just above the board every chalk computes 0, never a negative value.
        EXPECT_EQ(drawnValue(-30.0f, chalk->divisor), 0);
    }
}

TEST(ScoreAddressing, AColourThatIsNoChalkFindsNothing) {
    // Black, a grey one step off, orange with red and blue swapped, and a value above 24 bits.
    for (ColorValue colour : {0u, 8421505u, 0xFF8000u, 0x1808080u}) {
        SCOPED_TRACE(std::to_string(colour));
        EXPECT_FALSE(findChalk(colour).has_value());
    }
}

// Inside the board the lowest pixel row is 325 - 1 = 324, at Y = 4860; a row of the range
// 0..7 can never reach 7 from there.
TEST(ScoreAddressing, BlueAndGreenGiveAtMostSixInsideTheBoard) {
    for (ColorValue colour : {rgb(0, 0, 255), rgb(0, 255, 0)}) {
        SCOPED_TRACE(std::to_string(colour));
        const int d = findChalk(colour)->divisor;
        EXPECT_EQ(drawnValue(4860.0f, d), 6);
        EXPECT_EQ(drawnValue(4899.0f, d), 6);
    }
}

}  // namespace
}  // namespace tavrilo
