// Buttons, previews and whole round trips are driven through the main window elsewhere.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "patterns/PatternMemory.h"

namespace tavrilo {
namespace {

using enum Row;

// Row order of a slot and of every walk over the score, written out rather than taken from code.
const Row kOrder[kRows] = {Tone, Osc1, Osc2, AM1, AM2, FM, VOL, Decay, Atteck};

// Score writes as (is length, row, step, value); a length write has row Tone and step 0.
using Writes = std::vector<std::tuple<bool, Row, int, int>>;

// The writes that put pattern `shift` into a score, step by step in row order, then the length.
// 1..7 lies inside every row's range, and shifts 0..6 differ from each other in every cell.
Writes pattern(int shift, int length) {
    Writes w;
    for (int s = 0; s < kSteps; ++s)
        for (int ri = 0; ri < kRows; ++ri)
            w.emplace_back(false, kOrder[ri], s, 1 + (s + ri + shift) % 7);
    w.emplace_back(true, Tone, 0, length);
    return w;
}

void expectSame(const Writes& got, const Writes& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], want[i]) << "write " << i;
}

struct Fixture {
    StepParameterSet score;
    PatternMemory memory{score};
    Writes heard;  // by the score's listeners since the last write()

    Fixture() {
        score.fillStartup();
        score.addListener([this](const StepParameterSet::Change& c) {
            heard.emplace_back(c.isLength, c.isLength ? Tone : c.row, c.isLength ? 0 : c.step,
                               c.value);
        });
    }
    void write(const Writes& writes) {
        for (const auto& [isLength, row, step, value] : writes)
            isLength ? score.setLength(value) : score.setCell(row, step, value);
        heard.clear();
    }
};

TEST(PatternMemory, RecallNotifiesOnlyTheCellsThatChange) {
    Fixture f;
    f.memory.store(3);  // start-up score: tone 24, FM 100, attack 25, length 32
    f.write({{false, Atteck, 31, 1}, {false, Tone, 5, 12}, {false, FM, 0, 40}});
    f.memory.recall(3);
    expectSame(f.heard, {{false, FM, 0, 100}, {false, Tone, 5, 24}, {false, Atteck, 31, 25}});
}

// Each slot keeps its copy whatever the score and the other slot do afterwards.
TEST(PatternMemory, RecallWritesItsSlotStepByStepInRowOrderThenTheLength) {
    Fixture f;
    f.write(pattern(0, 11));
    f.memory.store(0);
    f.write(pattern(1, 22));
    f.memory.store(1);
    f.write(pattern(2, 5));
    f.memory.recall(0);
    expectSame(f.heard, pattern(0, 11));
    f.heard.clear();
    f.memory.recall(1);
    expectSame(f.heard, pattern(1, 22));
}

TEST(PatternMemory, AStoreIntoTheSameSlotDuringARecallDoesNotCutTheRecallShort) {
    Fixture f;
    f.write(pattern(0, 6));
    f.memory.store(2);
    f.write(pattern(1, 30));
    bool stored = false;  // stores the half-recalled score on the recall's first write
    f.score.addListener([&](const StepParameterSet::Change&) {
        if (!std::exchange(stored, true)) f.memory.store(2);
    });
    f.memory.recall(2);
    EXPECT_TRUE(stored);
    expectSame(f.heard, pattern(0, 6));
}

TEST(PatternMemory, OnlyAStoredSlotShowsItsRecallButtonAndRecalls) {
    Fixture f;
    for (int k : {-1, 6, 1000})
        f.memory.store(k);
    for (int k : {-1, 0, 1, 2, 3, 4, 5, 6, 1000})  // none stored
        f.memory.recall(k);
    EXPECT_TRUE(f.heard.empty());
    EXPECT_EQ(f.memory.litPreview(), -1);
    f.memory.store(3);
    f.memory.store(3);
    for (int k = 0; k < kPatternSlots; ++k)
        EXPECT_EQ(f.memory.recallVisible(k), k == 3) << "slot " << k;
}

}  // namespace
}  // namespace tavrilo
