// How board points and chalks address the score, and strokes through the drawing rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "board/FreehandDrawing.h"

namespace tavrilo {
namespace {

// X / 240 and Y are taken to the nearest whole number, an exact half to the even one, and
// saturate far off the board; Y / divisor then drops its remainder towards zero.
TEST(ScoreAddressing, ColumnsAndValuesRoundHalvesToEvenAndSaturate) {
    const std::tuple<float, std::int32_t> columns[] = {
        {120, 0},   {121, 1},  {360, 2},   {600, 2},           {7559, 31},
        {7560, 32}, {-120, 0}, {-121, -1}, {1e30f, INT32_MAX}, {-1e30f, INT32_MIN},
        {NAN, 0}};
    for (const auto& [x, column] : columns)
        EXPECT_EQ(columnOfX(x), column) << x;
    const std::tuple<float, int, std::int32_t> values[] = {
        {4800, 200, 24},  {2499, 50, 49},        {2500, 50, 50},     {199.5f, 200, 1},
        {198.5f, 200, 0}, {-199, 200, 0},        {-199.5f, 200, -1}, {-400, 200, -2},
        {NAN, 50, 0},     {1e20f, 200, 10737418}};
    for (const auto& [y, divisor, value] : values)
        EXPECT_EQ(drawnValue(y, divisor), value) << y;
}

// Each swatch makes its chalk (0xBBGGRR) the pen, and a move writes its row at column 9 with
// y / divisor held inside the row's range. Each value differs from the start-up one, so it shows.
TEST(FreehandDrawing, EachSwatchWritesItsRowInRange) {
    const std::tuple<int, ColorValue, float, const char*> cases[] = {
        {0, 8421504, 1440, "Tone[9]=7"},  {1, 16711680, 1440, "Osc1[9]=2"},
        {2, 65280, 1440, "Osc2[9]=2"},    {3, 16776960, 1440, "AM1[9]=28"},
        {4, 255, 1440, "FM[9]=28"},       {5, 16711935, 1440, "VOL[9]=28"},
        {6, 65535, 1440, "AM2[9]=28"},    {7, 16777215, 1440, "Decay[9]=7"},
        {8, 33023, 1440, "Atteck[9]=7"},  {0, 8421504, -1000, "Tone[9]=0"},
        {1, 16711680, 6000, "Osc1[9]=7"}, {8, 33023, 189, "Atteck[9]=1"}};
    for (const auto& [swatch, colour, y, write] : cases) {
        StepParameterSet score;
        score.fillStartup();
        std::string written;
        Subscription s = score.cellChanged.connect([&](const StepParameterSet::CellChange& c) {
            written += std::string(rowInfo(c.row).legend) + "[" + std::to_string(c.step) +
                       "]=" + std::to_string(c.to);
        });
        FreehandDrawing drawing{score};
        drawing.pickChalk(swatch);
        drawing.beginStroke(FreehandDrawing::kLeftButton, 2000, y);
        const auto segment = drawing.moveStroke(0, 2160, y, 0);
        EXPECT_TRUE(segment && segment->color == colour) << write;
        EXPECT_EQ(written, write);
    }
}

// A stroke joins its segments from the press point. Mode "2" writes the column under the pointer
// (off the board: the end steps), mode "1" the step the clock plays next. Only the left button
// puts the pen down and lifts it; a pen that is no chalk draws but writes nothing.
TEST(FreehandDrawing, AStrokeJoinsItsSegmentsAndWritesTheAddressedStep) {
    for (AddressingMode mode : {AddressingMode::CursorStep, AddressingMode::PlayStep}) {
        StepParameterSet score;
        score.fillStartup();
        FreehandDrawing drawing{score};
        drawing.pickChalk(0);
        drawing.setMode(mode);
        EXPECT_FALSE(drawing.moveStroke(1, 500, 500, 3));
        drawing.beginStroke(FreehandDrawing::kRightButton, 500, 500);
        EXPECT_FALSE(drawing.moveStroke(1, 500, 500, 3));
        drawing.beginStroke(FreehandDrawing::kLeftButton, 1000, 1000);
        drawing.endStroke(FreehandDrawing::kRightButton);
        BoardPoint last{1000, 1000};
        std::vector<int> cursors;
        for (auto [x, y] : {std::pair{1200.0f, 2010.0f}, {-121.0f, 1990.0f}, {7560.0f, 1010.0f}}) {
            const auto segment = drawing.moveStroke(0, x, y, 3);
            ASSERT_TRUE(segment);
            EXPECT_EQ(segment->from, last);
            last = segment->to;
            cursors.push_back(drawing.stepCursor());
        }
        EXPECT_EQ(cursors, (std::vector<int>{5, 0, 31}));
        const bool cursor = mode == AddressingMode::CursorStep;
        EXPECT_EQ(score.cell(Row::Tone, cursor ? 5 : 3), cursor ? 10 : 5);
        EXPECT_EQ(score.cell(Row::Tone, 0), cursor ? 9 : 24);
        drawing.setPenColor(rgb(1, 2, 3));
        EXPECT_TRUE(drawing.moveStroke(0, 240, 4000, 3));
        EXPECT_EQ(score.cell(Row::Tone, 1), 24);
        drawing.endStroke(FreehandDrawing::kLeftButton);
        EXPECT_FALSE(drawing.moveStroke(1, 800, 480, 3));
    }
}

}  // namespace
}  // namespace tavrilo
