#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "board/FreehandDrawing.h"
#include "common/Clock.h"
#include "transport/TimerService.h"

namespace tavrilo {
namespace {

constexpr int kLeft = FreehandDrawing::kLeftButton;

// Start-up score, attack ramp on, and every cell change logged as "Row[step]=value".
struct Board {
    SteppedClock clock;
    TimerService timers{clock};
    TimerService::Timer& timer2 = timers.create(1, true, [] {});
    StepParameterSet score;
    FreehandDrawing drawing{score, timer2, {}};
    std::vector<std::string> writes;

    Board() {
        score.fillStartup();
        score.addListener([this](const StepParameterSet::Change& c) {
            if (c.isLength) return;
            writes.push_back(std::string(rowInfo(c.row).legend) + "[" + std::to_string(c.step) +
                             "]=" + std::to_string(c.value));
        });
    }
};

// Each swatch makes its chalk the pen; a move from (2000, y) to (2160, y) draws in it and writes
// y / divisor at column 9 clamped to the row: -5 and 8 go to the ends, orange on the top 190 twips
// gives 1. Each value differs from the start-up one (Tone 24, Osc 0, Decay 10...), so it shows.
TEST(FreehandDrawing, EachSwatchWritesItsRowClampedToTheRowRange) {
    const std::tuple<int, ColorValue, float, const char*> cases[] = {
        {0, rgb(128, 128, 128), 1440, "Tone[9]=7"}, {1, rgb(0, 0, 255), 1440, "Osc1[9]=2"},
        {2, rgb(0, 255, 0), 1440, "Osc2[9]=2"},     {3, rgb(0, 255, 255), 1440, "AM1[9]=28"},
        {4, rgb(255, 0, 0), 1440, "FM[9]=28"},      {5, rgb(255, 0, 255), 1440, "VOL[9]=28"},
        {6, rgb(255, 255, 0), 1440, "AM2[9]=28"},   {7, rgb(255, 255, 255), 1440, "Decay[9]=7"},
        {8, rgb(255, 128, 0), 1440, "Atteck[9]=7"}, {0, rgb(128, 128, 128), -1000, "Tone[9]=0"},
        {1, rgb(0, 0, 255), 6000, "Osc1[9]=7"},     {8, rgb(255, 128, 0), 0, "Atteck[9]=1"},
        {8, rgb(255, 128, 0), 189, "Atteck[9]=1"},
    };
    for (const auto& [swatch, colour, y, write] : cases) {
        SCOPED_TRACE(write);
        Board b;
        b.drawing.lblcolor_Click(swatch);
        b.drawing.mouseDown(kLeft, 2000, y);
        const auto segment = b.drawing.mouseMove(kLeft, 2160, y);
        EXPECT_EQ(segment, (Segment{{2000, y}, {2160, y}, colour}));
        EXPECT_EQ(b.writes, std::vector<std::string>{write});
    }
}

// The step cursor is a slider 0..31: columns off either edge land on its ends, so a stroke
// dragged off the board writes steps 0 and 31 and never off the score. Tone = 2000 / 200.
TEST(FreehandDrawing, ColumnsOffTheBoardLandOnTheEndSteps) {
    Board b;
    b.drawing.lblcolor_Click(0);
    b.drawing.mouseDown(kLeft, 3000, 2000);
    std::vector<int> cursors;
    for (float x : {-121.0f, -1e30f, 7559.0f, 7560.0f, 9000.0f, 1e30f}) {
        b.drawing.mouseMove(kLeft, x, 2000);
        cursors.push_back(b.drawing.Sliderdraw());
    }
    EXPECT_EQ(cursors, (std::vector<int>{0, 0, 31, 31, 31, 31}));
    EXPECT_EQ(b.writes, (std::vector<std::string>{"Tone[0]=10", "Tone[31]=10"}));
}

// Any release switches the attack ramp off, pen up or down. Only a left press moves the start
// point, only a left release lifts the pen, and the pen alone decides if a move draws (Decay 2).
TEST(FreehandDrawing, EveryReleaseSwitchesTheAttackRampOff) {
    for (bool penDown : {false, true}) {
        for (int button : {kLeft, FreehandDrawing::kRightButton, FreehandDrawing::kMiddleButton}) {
            SCOPED_TRACE(testing::Message() << "pen down " << penDown << ", button " << button);
            Board b;
            if (penDown) {
                b.drawing.mouseDown(kLeft, 500, 500);
                b.drawing.mouseDown(button, 900, 900);
                EXPECT_EQ(b.drawing.position().x, button == kLeft ? 900 : 500);
                EXPECT_TRUE(b.timer2.enabled()) << "a press leaves the ramp alone";
            }
            b.drawing.mouseUp(button, 500, 500);
            EXPECT_FALSE(b.timer2.enabled());
            const bool stillDown = penDown && button != kLeft;
            EXPECT_EQ(b.drawing.penDown(), stillDown);
            EXPECT_EQ(b.drawing.mouseMove(0, 3120, 480).has_value(), stillDown);
            EXPECT_EQ(b.drawing.Sliderdraw(), stillDown ? 13 : 0);
            EXPECT_EQ(b.writes, std::vector<std::string>(stillDown, "Decay[13]=2"));
        }
    }
}

TEST(FreehandDrawing, APenThatIsNoChalkDrawsButWritesNothing) {
    Board b;
    b.drawing.setPenColor(rgb(1, 2, 3));
    for (int noSwatch : {-1, 9})
        b.drawing.lblcolor_Click(noSwatch);  // the pen stays
    b.drawing.mouseDown(kLeft, 100, 100);
    const auto segment = b.drawing.mouseMove(kLeft, 1000, 1000);
    EXPECT_EQ(segment, (Segment{{100, 100}, {1000, 1000}, rgb(1, 2, 3)}));
    EXPECT_EQ(b.drawing.Sliderdraw(), 4);
    EXPECT_TRUE(b.writes.empty());
}

}  // namespace
}  // namespace tavrilo
