#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "board/FreehandDrawing.h"

namespace tavrilo {
namespace {

constexpr int kLeft = FreehandDrawing::kLeftButton;

// Start-up score, every cell change logged as "Row[step]=value".
struct Board {
    StepParameterSet score;
    FreehandDrawing drawing{score};
    std::vector<std::string> writes;
    Subscription logged = score.cellChanged.connect([this](const StepParameterSet::CellChange& c) {
        writes.push_back(std::string(rowInfo(c.row).legend) + "[" + std::to_string(c.step) +
                         "]=" + std::to_string(c.to));
    });
    Board() { score.fillStartup(), writes.clear(); }
};

// Each swatch makes its chalk the pen; a move to (2160, y) writes y / divisor at column 9, held
// inside the row's range: -5 and 8 go to the ends, orange on the top 190 twips gives 1. Each value
// differs from the start-up one (Tone 24, Osc 0, Decay 10...), so it shows.
TEST(FreehandDrawing, EachSwatchWritesItsRowClampedToTheRowRange) {
    const std::tuple<int, float, const char*> cases[] = {
        {0, 1440, "Tone[9]=7"},  {1, 1440, "Osc1[9]=2"},  {2, 1440, "Osc2[9]=2"},
        {3, 1440, "AM1[9]=28"},  {4, 1440, "FM[9]=28"},   {5, 1440, "VOL[9]=28"},
        {6, 1440, "AM2[9]=28"},  {7, 1440, "Decay[9]=7"}, {8, 1440, "Atteck[9]=7"},
        {0, -1000, "Tone[9]=0"}, {1, 6000, "Osc1[9]=7"},  {8, 189, "Atteck[9]=1"},
    };
    for (const auto& [swatch, y, write] : cases) {
        SCOPED_TRACE(write);
        Board b;
        b.drawing.lblcolor_Click(swatch);
        b.drawing.mouseDown(kLeft, 2000, y);
        const auto segment = b.drawing.mouseMove(kLeft, 2160, y, 0);
        ASSERT_TRUE(segment);
        EXPECT_EQ(segment->color, chalkTable()[static_cast<std::size_t>(swatch)].color);
        EXPECT_EQ(b.writes, std::vector<std::string>{write});
    }
}

// A stroke is one connected line from the press point: each segment starts where the last ended.
// Mode "2" writes the column under the pointer (off the board: the end steps), mode "1" the step
// the clock plays next whatever the column, while the cursor still follows the pointer.
TEST(FreehandDrawing, AStrokeJoinsItsSegmentsAndWritesTheAddressedStep) {
    for (AddressingMode mode : {AddressingMode::CursorStep, AddressingMode::PlayStep}) {
        Board b;
        b.drawing.lblcolor_Click(0);
        b.drawing.setMode(mode);
        b.drawing.mouseDown(kLeft, 1000, 1000);
        std::vector<BoardPoint> path = {{1000, 1000}};
        std::vector<int> cursors;
        for (auto [x, y] : {std::pair{1200.0f, 2010.0f},
                            {-121.0f, 1990.0f},
                            {7560.0f, 2010.0f},
                            {1e30f, 2010.0f}}) {
            const auto segment = b.drawing.mouseMove(0, x, y, 3);
            ASSERT_TRUE(segment);
            EXPECT_EQ(segment->from, path.back());
            path.push_back(segment->to);
            cursors.push_back(b.drawing.Sliderdraw());
        }
        EXPECT_EQ(cursors, (std::vector<int>{5, 0, 31, 31}));
        const auto expected =
            mode == AddressingMode::CursorStep
                ? std::vector<std::string>{"Tone[5]=10", "Tone[0]=9", "Tone[31]=10"}
                : std::vector<std::string>{"Tone[3]=10", "Tone[3]=9", "Tone[3]=10"};
        EXPECT_EQ(b.writes, expected) << static_cast<int>(mode);
    }
}

// Only a left press puts the pen down and only a left release lifts it; the pen alone decides
// whether a move draws. A pen that is no chalk draws but writes nothing.
TEST(FreehandDrawing, OnlyTheLeftButtonMovesThePen) {
    Board b;
    EXPECT_FALSE(b.drawing.mouseMove(kLeft, 500, 500, 0));
    b.drawing.mouseDown(FreehandDrawing::kRightButton, 500, 500);
    EXPECT_FALSE(b.drawing.mouseMove(kLeft, 500, 500, 0));
    b.drawing.mouseDown(kLeft, 500, 500);
    b.drawing.mouseUp(FreehandDrawing::kRightButton);
    EXPECT_TRUE(b.drawing.mouseMove(0, 600, 480, 0));
    EXPECT_EQ(b.writes, std::vector<std::string>{"Decay[2]=2"});  // white: the start-up pen
    b.drawing.setPenColor(rgb(1, 2, 3));
    EXPECT_TRUE(b.drawing.mouseMove(0, 700, 900, 0));
    b.drawing.mouseUp(kLeft);
    EXPECT_FALSE(b.drawing.mouseMove(kLeft, 800, 480, 0));
    EXPECT_EQ(b.writes.size(), 1u);
}

}  // namespace
}  // namespace tavrilo
