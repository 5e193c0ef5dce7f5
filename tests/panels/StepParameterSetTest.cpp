#include <gtest/gtest.h>

#include <vector>

#include "panels/StepParameterSet.h"

namespace tavrilo {
namespace {

struct RowCase {
    Row row;
    int min, max, startup, reset;
};

// The ranges and values a musician meets on the panels; written out here, not read from the
// code's own table, so a slip in either shows.
const RowCase kRows[] = {
    {Row::Tone, 0, 24, 24, 24},   {Row::Osc1, 0, 7, 0, 0},      {Row::Osc2, 0, 7, 0, 0},
    {Row::AM1, 0, 100, 100, 100}, {Row::AM2, 0, 100, 100, 100}, {Row::FM, 0, 100, 100, 100},
    {Row::VOL, 0, 100, 10, 10},   {Row::Decay, 0, 25, 10, 10},  {Row::Atteck, 1, 25, 25, 10},
};

TEST(StepParameterSet, StartupAndResetFillAll288CellsAndTheLength) {
    StepParameterSet set;
    set.setLength(5);
    set.fillStartup();
    for (const RowCase& rc : kRows) {
        SCOPED_TRACE(std::string(rowInfo(rc.row).controlName));
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(set.cell(rc.row, s), rc.startup) << "step " << s;
    }
    EXPECT_EQ(set.length(), 32);

    set.setLength(3);
    set.fillReset();
    for (const RowCase& rc : kRows) {
        SCOPED_TRACE(std::string(rowInfo(rc.row).controlName));
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(set.cell(rc.row, s), rc.reset) << "step " << s;
    }
    EXPECT_EQ(set.length(), 32);
}

TEST(StepParameterSet, WritesAreClampedToTheRowRangeLikeASlider) {
    StepParameterSet set;
    for (const RowCase& rc : kRows) {
        SCOPED_TRACE(std::string(rowInfo(rc.row).controlName));
        set.setCell(rc.row, 7, rc.max + 1);
        EXPECT_EQ(set.cell(rc.row, 7), rc.max);
        set.setCell(rc.row, 7, rc.min - 1);
        EXPECT_EQ(set.cell(rc.row, 7), rc.min);
        set.setCell(rc.row, 7, -30000);
        EXPECT_EQ(set.cell(rc.row, 7), rc.min);
        set.setCell(rc.row, 7, rc.min + 1);
        EXPECT_EQ(set.cell(rc.row, 7), rc.min + 1);
    }
}

TEST(StepParameterSet, AStepOutsideTheScoreWritesNothing) {
    StepParameterSet set;
    set.fillStartup();
    int changes = 0;
    set.addListener([&](const StepParameterSet::Change&) { ++changes; });
    for (int step : {-1, 32, 33, -1000, 100000})
        set.setCell(Row::Tone, step, 3);
    EXPECT_EQ(changes, 0);
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(set.cell(Row::Tone, s), 24);
}

TEST(StepParameterSet, LengthIsClampedTo1Through32) {
    StepParameterSet set;
    const std::pair<int, int> cases[] = {{1, 1}, {0, 1}, {-5, 1}, {32, 32}, {33, 32}, {17, 17}};
    for (auto [in, out] : cases) {
        set.setLength(in);
        EXPECT_EQ(set.length(), out) << "set " << in;
    }
}

TEST(StepParameterSet, ListenersHearEachRealChangeOnce) {
    StepParameterSet set;
    set.fillStartup();
    std::vector<StepParameterSet::Change> heard;
    set.addListener([&](const StepParameterSet::Change& c) { heard.push_back(c); });

    set.setCell(Row::FM, 4, 100);  // already 100: no news
    set.setCell(Row::FM, 4, 60);
    set.setCell(Row::FM, 4, 500);  // clamped to 100
    set.setLength(32);             // unchanged
    set.setLength(8);

    ASSERT_EQ(heard.size(), 3u);
    EXPECT_FALSE(heard[0].isLength);
    EXPECT_EQ(heard[0].row, Row::FM);
    EXPECT_EQ(heard[0].step, 4);
    EXPECT_EQ(heard[0].value, 60);
    EXPECT_EQ(heard[1].value, 100);
    EXPECT_TRUE(heard[2].isLength);
    EXPECT_EQ(heard[2].value, 8);
}

}  // namespace
}  // namespace tavrilo
