#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
const RowCase kRowCases[] = {
    {Row::Tone, 0, 24, 24, 24},   {Row::Osc1, 0, 7, 0, 0},      {Row::Osc2, 0, 7, 0, 0},
    {Row::AM1, 0, 100, 100, 100}, {Row::AM2, 0, 100, 100, 100}, {Row::FM, 0, 100, 100, 100},
    {Row::VOL, 0, 100, 10, 10},   {Row::Decay, 0, 25, 10, 10},  {Row::Atteck, 1, 25, 25, 10},
};

// Random writes, in range and far out of it, always land inside the row's range as a slider
// holds them; start-up and reset then bring every one of the 288 cells and the length back to
// their own values, whatever the score held.
TEST(StepParameterSet, WritesStayInRangeAndStartupAndResetRewriteEveryCell) {
    StepParameterSet set;
    std::mt19937 rng(7);
    for (int fill = 0; fill < 2; ++fill) {
        for (int n = 0; n < 5000; ++n) {
            const RowCase& rc = kRowCases[rng() % kRows];
            const int value = std::uniform_int_distribution(-300, 300)(rng);
            set.setCell(rc.row, static_cast<int>(rng() % kSteps), value);
            set.setLength(std::uniform_int_distribution(-40, 40)(rng));
            ASSERT_GE(set.length(), 1);
            ASSERT_LE(set.length(), 32);
        }
        fill == 0 ? set.fillStartup() : set.fillReset();
        for (const RowCase& rc : kRowCases)
            for (int s = 0; s < kSteps; ++s)
                ASSERT_EQ(set.cell(rc.row, s), fill == 0 ? rc.startup : rc.reset)
                    << rowInfo(rc.row).controlName << " " << s;
        EXPECT_EQ(set.length(), 32);
    }
    for (const RowCase& rc : kRowCases) {
        for (int v : {rc.min - 1, rc.max + 1, rc.min + 1}) {
            set.setCell(rc.row, 9, v);
            EXPECT_EQ(set.cell(rc.row, 9), std::clamp(v, rc.min, rc.max));
        }
    }
}

// Each real change is told once, with the value before and after; a step off the score writes
// nothing.
TEST(StepParameterSet, TellsEachRealChangeOnce) {
    StepParameterSet set;
    set.fillStartup();
    std::vector<std::vector<int>> heard;
    Subscription cells = set.cellChanged.connect([&](const StepParameterSet::CellChange& c) {
        heard.push_back({static_cast<int>(c.row), c.step, c.from, c.to});
    });
    Subscription length = set.lengthChanged.connect([&](const StepParameterSet::LengthChange& c) {
        heard.push_back({c.from, c.to});
    });
    set.setCell(Row::FM, 4, 100);  // already 100
    set.setCell(Row::FM, 4, 60);
    set.setCell(Row::FM, 4, 500);  // held at 100
    for (int step : {-1, 32, 100000})
        set.setCell(Row::Tone, step, 3);
    set.setLength(32);
    set.setLength(8);
    EXPECT_EQ(heard, (std::vector<std::vector<int>>{{5, 4, 100, 60}, {5, 4, 60, 100}, {32, 8}}));
}

}  // namespace
}  // namespace tavrilo
