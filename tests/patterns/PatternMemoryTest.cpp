#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "patterns/PatternMemory.h"

namespace tavrilo {
namespace {

using enum Row;

// Row order of a slot and of every walk over the score, written out rather than taken from code.
const Row kOrder[kRows] = {Tone, Osc1, Osc2, AM1, AM2, FM, VOL, Decay, Atteck};

// Joined through a stream: GCC 12 at -O3 misreads string + here (-Wrestrict).
template <typename... Parts>
std::string text(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

struct Fixture {
    StepParameterSet score;
    PatternMemory memory{score};
    std::vector<std::string> heard;  // score writes and slot changes, in order
    std::vector<Subscription> listening;

    Fixture() {
        score.fillStartup();
        listening.push_back(
            score.cellChanged.connect([this](const StepParameterSet::CellChange& c) {
                heard.push_back(text(c.step, rowInfo(c.row).legend, "=", c.to));
            }));
        listening.push_back(
            score.lengthChanged.connect([this](const StepParameterSet::LengthChange& c) {
                heard.push_back(text("length=", c.to));
            }));
        listening.push_back(
            memory.recallShown.connect([this](int slot) { heard.push_back(text("L", slot)); }));
        listening.push_back(memory.previewChanged.connect(
            [this](int slot, bool lit) { heard.push_back(text(lit ? "red" : "black", slot)); }));
    }
    // Pattern `shift`: 1..7 lies inside every row's range, and shifts differ in every cell.
    void write(int shift, int length) {
        for (int s = 0; s < kSteps; ++s)
            for (int r = 0; r < kRows; ++r)
                score.setCell(kOrder[r], s, value(shift, s, r));
        score.setLength(length);
        heard.clear();
    }
    static int value(int shift, int step, int row) { return 1 + (step + row + shift) % 7; }
};

// Each slot keeps its copy whatever the score and the other slots do afterwards; a recall writes
// it back step by step in row order, then the length, and lights only its own preview.
TEST(PatternMemory, RecallWritesItsSlotStepByStepInRowOrderThenTheLength) {
    Fixture f;
    f.write(0, 11);
    f.memory.store(0);
    EXPECT_EQ(f.heard, (std::vector<std::string>{"L0", "red0"}));
    f.write(1, 22);
    f.memory.store(1);
    f.write(2, 5);
    f.memory.recall(0);
    std::vector<std::string> expected = {"red0", "black1"};
    for (int s = 0; s < kSteps; ++s)
        for (int r = 0; r < kRows; ++r)
            expected.push_back(text(s, rowInfo(kOrder[r]).legend, "=", Fixture::value(0, s, r)));
    expected.push_back("length=11");
    EXPECT_EQ(f.heard, expected);
}

// A slot shows its "L" once, at its first store; a slot never stored, or a number that is no
// slot, recalls nothing and lights nothing (its zeros lie outside the attack and length ranges).
TEST(PatternMemory, OnlyAStoredSlotRecalls) {
    Fixture f;
    for (int k : {-1, 6})
        f.memory.store(k);
    for (int k : {-1, 0, 5, 6})
        f.memory.recall(k);
    EXPECT_TRUE(f.heard.empty());
    f.memory.store(3);
    f.memory.store(3);
    f.memory.recall(3);
    EXPECT_EQ(f.heard, (std::vector<std::string>{"L3", "red3"}));
}

}  // namespace
}  // namespace tavrilo
