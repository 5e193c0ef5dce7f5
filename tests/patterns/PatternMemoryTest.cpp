#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "patterns/PatternMemory.h"

namespace tavrilo {
namespace {

using Kind = PatternMemory::Change::Kind;

// Row order of a slot and of every walk over the score, with the ranges of the panel sliders,
// written out here rather than read from the code's table.
struct RowRange {
    Row row;
    int min, max;
};
const RowRange kOrder[] = {
    {Row::Tone, 0, 24}, {Row::Osc1, 0, 7},   {Row::Osc2, 0, 7},
    {Row::AM1, 0, 100}, {Row::AM2, 0, 100},  {Row::FM, 0, 100},
    {Row::VOL, 0, 100}, {Row::Decay, 0, 25}, {Row::Atteck, 1, 25},
};

// A value inside the row's range that depends on row and step; shift 0 and shift 1 differ in
// every cell, since every range holds at least eight values.
int patternValue(int rowIndex, int step, int shift) {
    const RowRange& r = kOrder[rowIndex];
    return r.min + (step + rowIndex + shift) % (r.max - r.min + 1);
}

void writePattern(StepParameterSet& set, int shift, int length) {
    for (int ri = 0; ri < kRows; ++ri)
        for (int s = 0; s < kSteps; ++s)
            set.setCell(kOrder[ri].row, s, patternValue(ri, s, shift));
    set.setLength(length);
}

void expectPattern(const StepParameterSet& set, int shift, int length) {
    for (int ri = 0; ri < kRows; ++ri) {
        SCOPED_TRACE(std::string(rowInfo(kOrder[ri].row).controlName));
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(set.cell(kOrder[ri].row, s), patternValue(ri, s, shift)) << "step " << s;
    }
    EXPECT_EQ(set.length(), length);
}

struct Fixture {
    StepParameterSet score;
    PatternMemory memory{score};
    std::vector<PatternMemory::Change> heard;

    Fixture() {
        score.fillStartup();
        memory.addListener([this](const PatternMemory::Change& c) { heard.push_back(c); });
    }
};

TEST(PatternMemory, AfterStartOnlyTheStoreButtonsShowAndNoPreviewIsLit) {
    Fixture f;
    EXPECT_EQ(f.memory.litPreview(), -1);
    for (int k = 0; k < kPatternSlots; ++k) {
        SCOPED_TRACE("slot " + std::to_string(k));
        EXPECT_FALSE(f.memory.recallVisible(k));
        EXPECT_FALSE(f.memory.previewLit(k));
        EXPECT_EQ(f.memory.previewColor(k), rgb(0, 0, 0));
        const PatternSlot* slot = f.memory.slot(k);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->length, 0);
        for (int ri = 0; ri < kRows; ++ri)
            for (int s = 0; s < kSteps; ++s)
                EXPECT_EQ(slot->value(kOrder[ri].row, s), 0);
    }
}

TEST(PatternMemory, RecallRestoresAll288CellsAndTheLengthOfTheStoredScore) {
    Fixture f;
    writePattern(f.score, 0, 13);
    f.memory.store(2);
    writePattern(f.score, 1, 29);  // every cell and the length now differ from the stored copy
    f.memory.recall(2);
    expectPattern(f.score, 0, 13);
}

TEST(PatternMemory, StoreCopiesEveryCellIntoItsRowAndStepWithoutTouchingTheScore) {
    Fixture f;
    writePattern(f.score, 0, 7);
    int scoreChanges = 0;
    f.score.addListener([&](const StepParameterSet::Change&) { ++scoreChanges; });
    f.memory.store(4);
    EXPECT_EQ(scoreChanges, 0);
    const PatternSlot* slot = f.memory.slot(4);
    ASSERT_NE(slot, nullptr);
    for (int ri = 0; ri < kRows; ++ri) {
        SCOPED_TRACE(std::string(rowInfo(kOrder[ri].row).controlName));
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(slot->value(kOrder[ri].row, s), patternValue(ri, s, 0)) << "step " << s;
    }
    EXPECT_EQ(slot->length, 7);
}

TEST(PatternMemory, ButtonsAndPreviewsFollowStoreAndRecall) {
    struct Op {
        const char* name;
        bool isStore;
        int slot;
        int lit;                                    // red preview afterwards, -1 none
        std::vector<int> visible;                   // recall buttons shown afterwards
        std::vector<PatternMemory::Change> events;  // in order
    };
    const std::vector<Op> ops = {
        {"store 0", true, 0, 0, {0}, {{Kind::RecallVisible, 0, true}, {Kind::Preview, 0, true}}},
        {"store 3 darkens 0",
         true,
         3,
         3,
         {0, 3},
         {{Kind::RecallVisible, 3, true}, {Kind::Preview, 3, true}, {Kind::Preview, 0, false}}},
        {"recall 0", false, 0, 0, {0, 3}, {{Kind::Preview, 0, true}, {Kind::Preview, 3, false}}},
        {"recall 3", false, 3, 3, {0, 3}, {{Kind::Preview, 3, true}, {Kind::Preview, 0, false}}},
        {"recall 3 again is silent", false, 3, 3, {0, 3}, {}},
        {"store 3 again keeps its button", true, 3, 3, {0, 3}, {}},
        {"recall of never stored 5", false, 5, 3, {0, 3}, {}},
        {"store 5",
         true,
         5,
         5,
         {0, 3, 5},
         {{Kind::RecallVisible, 5, true}, {Kind::Preview, 5, true}, {Kind::Preview, 3, false}}},
    };

    Fixture f;
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        f.heard.clear();
        if (op.isStore)
            f.memory.store(op.slot);
        else
            f.memory.recall(op.slot);

        EXPECT_EQ(f.memory.litPreview(), op.lit);
        for (int k = 0; k < kPatternSlots; ++k) {
            SCOPED_TRACE("slot " + std::to_string(k));
            bool shouldShow = false;
            for (int v : op.visible)
                shouldShow = shouldShow || v == k;
            EXPECT_EQ(f.memory.recallVisible(k), shouldShow);
            EXPECT_EQ(f.memory.previewLit(k), k == op.lit);
            EXPECT_EQ(f.memory.previewColor(k), k == op.lit ? rgb(255, 0, 0) : rgb(0, 0, 0));
        }
        ASSERT_EQ(f.heard.size(), op.events.size());
        for (std::size_t i = 0; i < op.events.size(); ++i) {
            SCOPED_TRACE("event " + std::to_string(i));
            EXPECT_EQ(f.heard[i].kind, op.events[i].kind);
            EXPECT_EQ(f.heard[i].slot, op.events[i].slot);
            EXPECT_EQ(f.heard[i].on, op.events[i].on);
        }
    }
}

TEST(PatternMemory, StoreResetRecallBringsBackTheStartupAttack) {
    Fixture f;
    f.memory.store(1);  // start-up score: attack 25
    f.score.fillReset();
    for (int s = 0; s < kSteps; ++s)
        ASSERT_EQ(f.score.cell(Row::Atteck, s), 10);

    f.memory.recall(1);
    const std::pair<Row, int> startup[] = {
        {Row::Tone, 24}, {Row::Osc1, 0}, {Row::Osc2, 0},   {Row::AM1, 100},   {Row::AM2, 100},
        {Row::FM, 100},  {Row::VOL, 10}, {Row::Decay, 10}, {Row::Atteck, 25},
    };
    for (auto [row, value] : startup) {
        SCOPED_TRACE(std::string(rowInfo(row).controlName));
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(f.score.cell(row, s), value) << "step " << s;
    }
    EXPECT_EQ(f.score.length(), 32);
}

TEST(PatternMemory, RecallWritesStepByStepInRowOrderThenTheLength) {
    Fixture f;
    writePattern(f.score, 0, 9);
    f.memory.store(0);
    writePattern(f.score, 1, 20);

    std::vector<StepParameterSet::Change> order;
    f.score.addListener([&](const StepParameterSet::Change& c) { order.push_back(c); });
    f.memory.recall(0);

    ASSERT_EQ(order.size(), static_cast<std::size_t>(kSteps * kRows + 1));
    std::size_t i = 0;
    for (int s = 0; s < kSteps; ++s)
        for (int ri = 0; ri < kRows; ++ri, ++i) {
            SCOPED_TRACE("write " + std::to_string(i));
            EXPECT_FALSE(order[i].isLength);
            EXPECT_EQ(order[i].step, s);
            EXPECT_EQ(order[i].row, kOrder[ri].row);
            EXPECT_EQ(order[i].value, patternValue(ri, s, 0));
        }
    EXPECT_TRUE(order.back().isLength);
    EXPECT_EQ(order.back().value, 9);
}

TEST(PatternMemory, RecallNotifiesOnlyTheCellsThatChange) {
    Fixture f;
    f.memory.store(3);
    f.score.setCell(Row::Tone, 5, 12);
    f.score.setCell(Row::FM, 0, 40);
    f.score.setCell(Row::Atteck, 31, 1);

    std::vector<StepParameterSet::Change> heard;
    f.score.addListener([&](const StepParameterSet::Change& c) { heard.push_back(c); });
    f.memory.recall(3);

    // Step order: FM of step 0, Tone of step 5, attack of step 31; the length never moved.
    ASSERT_EQ(heard.size(), 3u);
    const std::pair<Row, int> expected[] = {{Row::FM, 0}, {Row::Tone, 5}, {Row::Atteck, 31}};
    const int values[] = {100, 24, 25};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("change " + std::to_string(i));
        EXPECT_FALSE(heard[i].isLength);
        EXPECT_EQ(heard[i].row, expected[i].first);
        EXPECT_EQ(heard[i].step, expected[i].second);
        EXPECT_EQ(heard[i].value, values[i]);
    }
}

TEST(PatternMemory, ASlotKeepsItsValuesWhenTheScoreOrAnotherSlotChanges) {
    Fixture f;
    writePattern(f.score, 0, 11);
    f.memory.store(0);
    writePattern(f.score, 1, 22);
    f.memory.store(1);
    f.score.fillReset();

    f.memory.recall(0);
    expectPattern(f.score, 0, 11);
    f.memory.recall(1);
    expectPattern(f.score, 1, 22);
    f.memory.recall(0);
    expectPattern(f.score, 0, 11);
}

TEST(PatternMemory, AStoreIntoTheSameSlotDuringARecallDoesNotCutTheRecallShort) {
    Fixture f;
    writePattern(f.score, 0, 6);
    f.memory.store(2);
    writePattern(f.score, 1, 30);

    // A score listener that stores on the first write sees a half-recalled score; the recall
    // must still finish with the values it started from.
    bool stored = false;
    f.score.addListener([&](const StepParameterSet::Change&) {
        if (stored) return;
        stored = true;
        f.memory.store(2);
    });
    f.memory.recall(2);
    EXPECT_TRUE(stored);
    expectPattern(f.score, 0, 6);
}

TEST(PatternMemory, BadSlotNumbersAndEmptySlotsChangeNothing) {
    Fixture f;
    writePattern(f.score, 0, 17);
    int scoreChanges = 0;
    f.score.addListener([&](const StepParameterSet::Change&) { ++scoreChanges; });

    for (int k : {-1, 6, 7, -100, 1000}) {
        SCOPED_TRACE("slot " + std::to_string(k));
        f.memory.store(k);
        f.memory.recall(k);
        EXPECT_EQ(f.memory.slot(k), nullptr);
        EXPECT_FALSE(f.memory.recallVisible(k));
        EXPECT_FALSE(f.memory.previewLit(k));
    }
    for (int k = 0; k < kPatternSlots; ++k)
        f.memory.recall(k);  // none stored yet

    EXPECT_TRUE(f.heard.empty());
    EXPECT_EQ(f.memory.litPreview(), -1);
    EXPECT_EQ(scoreChanges, 0);
    for (int k = 0; k < kPatternSlots; ++k)
        EXPECT_FALSE(f.memory.recallVisible(k));
    expectPattern(f.score, 0, 17);
}

}  // namespace
}  // namespace tavrilo
