// How board points and chalks address the score, and strokes through the drawing rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "board/FreehandDrawing.h"

namespace tavrilo {
namespace {

// Each swatch makes its chalk (0xBBGGRR) the pen. Only the left button puts it down and lifts
// it, and a move then draws from the press point and writes the chalk's row alone: at the column
// X / 240 (off the board, the end step nearest), the value Y / divisor held inside the row's
// range, with X / 240 and Y rounded to the nearest whole number, halves to the even one.
TEST(FreehandDrawing, EachSwatchWritesItsRowInRange) {
    const std::tuple<int, ColorValue, float, float, const char*> cases[] = {
        {0, 8421504, 2160, 1440, "Tone[9]=7"},   {1, 16711680, 2160, 1440, "Osc1[9]=2"},
        {2, 65280, 2160, 1440, "Osc2[9]=2"},     {3, 16776960, 2160, 1440, "AM1[9]=28"},
        {4, 255, 2160, 1440, "FM[9]=28"},        {5, 16711935, 2160, 1440, "VOL[9]=28"},
        {6, 65535, 2160, 1440, "AM2[9]=28"},     {7, 16777215, 2160, 1440, "Decay[9]=7"},
        {8, 33023, 2160, 1440, "Atteck[9]=7"},   {0, 8421504, -500, -1000, "Tone[0]=0"},
        {1, 16711680, 9000, 6000, "Osc1[31]=7"}, {8, 33023, 2160, 189, "Atteck[9]=1"},
        {0, 8421504, 360, 199.5f, "Tone[2]=1"},  {0, 8421504, 600, 198.5f, "Tone[2]=0"},
        {0, 8421504, 120, 4799, "Tone[0]=23"},   {0, 8421504, 121, 2500, "Tone[1]=12"}};
    for (const auto& [swatch, colour, x, y, write] : cases) {
        StepParameterSet score;
        score.fillStartup();
        std::string written;
        Subscription s = score.cellChanged.connect([&](const StepParameterSet::CellChange& c) {
            written += std::string(rowInfo(c.row).legend) + "[" + std::to_string(c.step) +
                       "]=" + std::to_string(c.to);
        });
        FreehandDrawing drawing{score};
        drawing.pickChalk(swatch);
        EXPECT_FALSE(drawing.moveStroke(1, x, y, 0));
        drawing.beginStroke(FreehandDrawing::kRightButton, 2000, y);
        EXPECT_FALSE(drawing.moveStroke(2, x, y, 0));
        drawing.beginStroke(FreehandDrawing::kLeftButton, 2000, y);
        drawing.endStroke(FreehandDrawing::kRightButton);
        const auto segment = drawing.moveStroke(0, x, y, 0);
        EXPECT_TRUE(segment && segment->color == colour && segment->from == BoardPoint(2000, y))
            << write;
        EXPECT_EQ(written, write);
    }
}

}  // namespace
}  // namespace tavrilo
