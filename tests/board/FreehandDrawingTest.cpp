#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "board/FreehandDrawing.h"
#include "common/Clock.h"
#include "transport/TimerService.h"

namespace tavrilo {
namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kMiddle = 4;
constexpr ColorValue kGrey = rgb(128, 128, 128);

struct Write {
    Row row;
    int step;
    int value;
    friend bool operator==(const Write&, const Write&) = default;
};

std::ostream& operator<<(std::ostream& os, const Write& w) {
    return os << "{row " << static_cast<int>(w.row) << ", step " << w.step << ", value " << w.value
              << "}";
}

// A score at its start-up values, the attack ramp as the load handler leaves it (enabled), and
// a step clock position the test sets by hand. Every cell change is recorded.
struct Board {
    SteppedClock clock;
    TimerService timers{clock};
    TimerService::Timer& timer2 = timers.create(0, true, [] {});
    StepParameterSet score;
    int currentStep = 0;
    FreehandDrawing drawing{score, timer2, [this] { return currentStep; }};
    std::vector<Write> writes;

    Board() {
        score.fillStartup();
        score.addListener([this](const StepParameterSet::Change& c) {
            if (!c.isLength) writes.push_back({c.row, c.step, c.value});
        });
    }
};

// Press at (1000, 1000), then moves to (1200, 1000) and (1200, 2000), grey chalk. 1200 / 240 is
// column 5; 1000 / 200 = 5 and 2000 / 200 = 10.
TEST(FreehandDrawing, AGreyStrokeWritesToneAtTheAddressedStep) {
    struct Case {
        AddressingMode mode;
        int currentStep;
        int writtenStep;
    } cases[] = {
        {AddressingMode::CursorStep, 3, 5},
        {AddressingMode::PlayStep, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(static_cast<int>(c.mode)));
        Board b;
        b.currentStep = c.currentStep;
        b.drawing.setMode(c.mode);
        b.drawing.lblcolor_Click(0);

        b.drawing.mouseDown(kLeft, 1000, 1000);
        EXPECT_TRUE(b.drawing.penDown());
        EXPECT_TRUE(b.writes.empty());

        const auto first = b.drawing.mouseMove(kLeft, 1200, 1000);
        ASSERT_TRUE(first.has_value());
        EXPECT_EQ(*first, (Segment{{1000, 1000}, {1200, 1000}, kGrey}));
        EXPECT_EQ(b.drawing.Sliderdraw(), 5);
        EXPECT_EQ(b.drawing.position(), (BoardPoint{1200, 1000}));

        const auto second = b.drawing.mouseMove(kLeft, 1200, 2000);
        ASSERT_TRUE(second.has_value());
        EXPECT_EQ(*second, (Segment{{1200, 1000}, {1200, 2000}, kGrey}));
        EXPECT_EQ(b.drawing.Sliderdraw(), 5);

        const std::vector<Write> expected = {{Row::Tone, c.writtenStep, 5},
                                             {Row::Tone, c.writtenStep, 10}};
        EXPECT_EQ(b.writes, expected);
    }
}

TEST(FreehandDrawing, APressAndReleaseWithoutAMoveDrawsAndWritesNothing) {
    Board b;
    b.drawing.lblcolor_Click(0);
    b.drawing.mouseDown(kLeft, 1000, 1000);
    b.drawing.mouseUp(kLeft, 1000, 1000);
    EXPECT_FALSE(b.drawing.penDown());
    EXPECT_TRUE(b.writes.empty());
    EXPECT_EQ(b.drawing.Sliderdraw(), 0);
    // With the pen up no move draws, moves the cursor or writes, whatever buttons it reports.
    for (int buttons : {0, kLeft, kRight, kLeft | kRight})
        EXPECT_FALSE(b.drawing.mouseMove(buttons, 3000, 3000).has_value());
    EXPECT_EQ(b.drawing.Sliderdraw(), 0);
    EXPECT_TRUE(b.writes.empty());
}

// Only the left button puts the pen down; a drag with the right or middle button is no stroke.
TEST(FreehandDrawing, DragsWithOtherButtonsWriteNothing) {
    for (int button : {kRight, kMiddle}) {
        SCOPED_TRACE("button " + std::to_string(button));
        Board b;
        b.drawing.lblcolor_Click(0);
        b.drawing.mouseDown(button, 1000, 1000);
        EXPECT_FALSE(b.drawing.penDown());
        EXPECT_FALSE(b.drawing.mouseMove(button, 1200, 1000).has_value());
        EXPECT_FALSE(b.drawing.mouseMove(button, 1200, 2000).has_value());
        b.drawing.mouseUp(button, 1200, 2000);
        EXPECT_TRUE(b.writes.empty());
        EXPECT_EQ(b.drawing.Sliderdraw(), 0);
        EXPECT_FALSE(b.timer2.enabled());
    }
}

TEST(FreehandDrawing, ARightClickInsideALeftStrokeDoesNotEndIt) {
    Board b;
    b.drawing.lblcolor_Click(0);
    b.drawing.mouseDown(kLeft, 1000, 1000);
    b.drawing.mouseMove(kLeft, 1200, 1000);
    b.drawing.mouseDown(kRight, 3000, 3000);  // does not move the drawing position
    b.drawing.mouseUp(kRight, 3000, 3000);
    EXPECT_TRUE(b.drawing.penDown());
    EXPECT_FALSE(b.timer2.enabled());

    // Moves keep drawing from the last point, whatever buttons they report.
    const auto next = b.drawing.mouseMove(kLeft | kRight, 1440, 1400);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(next->from, (BoardPoint{1200, 1000}));
    const auto noButtons = b.drawing.mouseMove(0, 1440, 1600);
    ASSERT_TRUE(noButtons.has_value());

    b.drawing.mouseUp(kLeft, 1440, 1600);
    EXPECT_FALSE(b.drawing.penDown());
    EXPECT_FALSE(b.drawing.mouseMove(kLeft, 1440, 1800).has_value());

    const std::vector<Write> expected = {{Row::Tone, 5, 5}, {Row::Tone, 6, 7}, {Row::Tone, 6, 8}};
    EXPECT_EQ(b.writes, expected);
}

// Every release of any button switches the attack ramp off, pen up or down; a press never
// touches it.
TEST(FreehandDrawing, EveryReleaseSwitchesTheAttackRampOff) {
    for (bool penDown : {false, true}) {
        for (int button : {kLeft, kRight, kMiddle}) {
            SCOPED_TRACE("pen " + std::string(penDown ? "down" : "up") + ", button " +
                         std::to_string(button));
            Board b;
            b.timer2.setInterval(1);
            if (penDown) {
                b.drawing.mouseDown(kLeft, 500, 500);
                b.drawing.mouseDown(button, 500, 500);
                EXPECT_TRUE(b.timer2.enabled());
            }
            b.drawing.mouseUp(button, 500, 500);
            EXPECT_FALSE(b.timer2.enabled());
            EXPECT_EQ(b.timer2.interval(), 1);
            EXPECT_EQ(b.drawing.penDown(), penDown && button != kLeft);
        }
    }
}

// Off the left edge the column goes negative and off the right edge past 31; the step cursor is
// a slider 0..31, so the writes land on its ends and never off the score.
TEST(FreehandDrawing, AStrokeDraggedOffBothEdgesWritesOnlyTheEndSteps) {
    const float xs[] = {-121, -5000, -1e30f, 7559, 7560, 9000, 1e30f};
    const int cursors[] = {0, 0, 0, 31, 31, 31, 31};
    for (AddressingMode mode : {AddressingMode::CursorStep, AddressingMode::PlayStep}) {
        SCOPED_TRACE("mode " + std::to_string(static_cast<int>(mode)));
        Board b;
        b.currentStep = 12;
        b.drawing.setMode(mode);
        b.drawing.lblcolor_Click(0);
        b.drawing.mouseDown(kLeft, 3000, 2000);
        for (std::size_t i = 0; i < std::size(xs); ++i) {
            SCOPED_TRACE("x " + std::to_string(xs[i]));
            b.drawing.mouseMove(kLeft, xs[i], 2000);
            EXPECT_EQ(b.drawing.Sliderdraw(), cursors[i]);
        }
        // 2000 / 200 = 10 into Tone, at the cursor's ends or at the play step.
        const std::vector<Write> expected =
            mode == AddressingMode::CursorStep
                ? std::vector<Write>{{Row::Tone, 0, 10}, {Row::Tone, 31, 10}}
                : std::vector<Write>{{Row::Tone, 12, 10}};
        EXPECT_EQ(b.writes, expected);
    }
}

// A value beyond a row's range is clamped by the cell write: above the board grey would give a
// negative tone, far below it more than 24, and orange on the top 190 twips computes 0, one
// below the Atteck minimum.
TEST(FreehandDrawing, DrawnValuesOutsideTheRowRangeAreClamped) {
    struct Case {
        int swatch;
        float y;
        Row row;
        int value;
    } cases[] = {
        {0, -1000, Row::Tone, 0}, {0, 9000, Row::Tone, 24}, {8, 0, Row::Atteck, 1},
        {8, 189, Row::Atteck, 1}, {8, 380, Row::Atteck, 2}, {8, 1e30f, Row::Atteck, 25},
        {1, 6000, Row::Osc1, 7},  {5, -1e30f, Row::VOL, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("swatch " + std::to_string(c.swatch) + ", y " + std::to_string(c.y));
        Board b;
        b.drawing.lblcolor_Click(c.swatch);
        b.drawing.mouseDown(kLeft, 960, 100);
        b.drawing.mouseMove(kLeft, 960, c.y);
        EXPECT_EQ(b.score.cell(c.row, 4), c.value);
    }
}

// Each swatch makes its chalk the pen, and the next stroke writes that chalk's row only. Rows
// and divisors written out by hand: Y = 1440 gives 1440 / d.
TEST(FreehandDrawing, EachSwatchWritesItsOwnRow) {
    struct Case {
        int swatch;
        ColorValue colour;
        Row row;
        int value;
    } cases[] = {
        {0, rgb(128, 128, 128), Row::Tone, 7}, {1, rgb(0, 0, 255), Row::Osc1, 2},
        {2, rgb(0, 255, 0), Row::Osc2, 2},     {3, rgb(0, 255, 255), Row::AM1, 28},
        {4, rgb(255, 0, 0), Row::FM, 28},      {5, rgb(255, 0, 255), Row::VOL, 28},
        {6, rgb(255, 255, 0), Row::AM2, 28},   {7, rgb(255, 255, 255), Row::Decay, 7},
        {8, rgb(255, 128, 0), Row::Atteck, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("swatch " + std::to_string(c.swatch));
        Board b;
        b.drawing.lblcolor_Click(c.swatch);
        b.drawing.lblcolor_Click(c.swatch);  // a second click changes nothing
        EXPECT_EQ(b.drawing.penColor(), c.colour);
        b.drawing.mouseDown(kLeft, 2000, 1440);
        const auto seg = b.drawing.mouseMove(kLeft, 2160, 1440);
        ASSERT_TRUE(seg.has_value());
        EXPECT_EQ(seg->color, c.colour);
        const std::vector<Write> expected = {{c.row, 9, c.value}};
        EXPECT_EQ(b.writes, expected);
    }
}

TEST(FreehandDrawing, AfterStartUpAStrokeIsWhiteAndWritesDecay) {
    Board b;
    EXPECT_EQ(b.drawing.penColor(), rgb(255, 255, 255));
    EXPECT_EQ(b.drawing.mode(), AddressingMode::CursorStep);
    EXPECT_FALSE(b.drawing.penDown());
    b.drawing.mouseDown(kLeft, 2400, 3000);
    b.drawing.mouseMove(kLeft, 2400, 3000);
    const std::vector<Write> expected = {{Row::Decay, 10, 15}};
    EXPECT_EQ(b.writes, expected);
}

TEST(FreehandDrawing, APenThatIsNoChalkDrawsButWritesNothing) {
    Board b;
    b.drawing.setPenColor(rgb(1, 2, 3));
    b.drawing.lblcolor_Click(9);  // no such swatch: the pen stays
    b.drawing.lblcolor_Click(-1);
    EXPECT_EQ(b.drawing.penColor(), rgb(1, 2, 3));
    b.drawing.mouseDown(kLeft, 100, 100);
    const auto seg = b.drawing.mouseMove(kLeft, 1000, 1000);
    ASSERT_TRUE(seg.has_value());
    EXPECT_EQ(seg->color, rgb(1, 2, 3));
    EXPECT_EQ(b.drawing.Sliderdraw(), 4);
    EXPECT_TRUE(b.writes.empty());
}

// "new" moves the drawing position home and nothing else: not the score, the pen or the cursor.
TEST(FreehandDrawing, ClearingThePositionKeepsEverythingElse) {
    Board b;
    b.drawing.lblcolor_Click(0);
    b.drawing.mouseDown(kLeft, 1000, 1000);
    b.drawing.mouseMove(kLeft, 1200, 2000);
    b.drawing.mouseUp(kLeft, 1200, 2000);
    b.writes.clear();
    b.drawing.clearPosition();
    EXPECT_EQ(b.drawing.position(), (BoardPoint{0, 0}));
    EXPECT_EQ(b.drawing.Sliderdraw(), 5);
    EXPECT_EQ(b.drawing.penColor(), kGrey);
    EXPECT_FALSE(b.drawing.penDown());
    EXPECT_EQ(b.score.cell(Row::Tone, 5), 10);
    EXPECT_TRUE(b.writes.empty());
}

}  // namespace
}  // namespace tavrilo
