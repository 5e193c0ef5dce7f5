#pragma once

#include <array>
#include <cstdint>

#include "common/Color.h"
#include "common/Signal.h"
#include "panels/StepParameterSet.h"

namespace tavrilo {

inline constexpr int kPatternSlots = 6;

// A stored copy of the score: nine rows of 32 cells in Row order, and the sequence length.
// 16-bit storage is enough: no row goes above 100.
struct PatternSlot {
    std::array<std::array<std::int16_t, kSteps>, kRows> rows{};
    std::int16_t length = 0;

    std::int16_t value(Row row, int step) const {
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(step)];
    }
};

// The six pattern slots of the main window and the UI state of their buttons: the "L" button of
// a slot shows once the slot has been stored, and one preview box is red (the slot used last).
// Slots live in memory only and start as zeros. UI thread only.
class PatternMemory {
public:
    explicit PatternMemory(StepParameterSet& score) : m_score(score) {}
    PatternMemory(const PatternMemory&) = delete;
    PatternMemory& operator=(const PatternMemory&) = delete;

    // The "S" button of slot k: shows its "L" button, lights its preview, copies the score.
    void store(int slot);
    // The "L" button of slot k: lights its preview and writes the copy back into the score.
    // A slot number outside 0..5 or a slot never stored changes nothing.
    void recall(int slot);

    bool recallVisible(int slot) const { return valid(slot) && m_recallVisible[index(slot)]; }
    bool previewLit(int slot) const { return valid(slot) && m_litPreview == slot; }
    int litPreview() const { return m_litPreview; }  // -1 until the first store or recall
    ColorValue previewColor(int slot) const {
        return previewLit(slot) ? colors::red : colors::black;
    }

    // nullptr for a slot number outside 0..5.
    const PatternSlot* slot(int slot) const {
        return valid(slot) ? &m_slots[index(slot)] : nullptr;
    }

    // Every real change, told after it changed: a slot whose "L" button is now shown, and a
    // slot whose preview turned red (true) or black (false).
    Signal<int> recallShown;
    Signal<int, bool> previewChanged;

private:
    static bool valid(int slot) { return slot >= 0 && slot < kPatternSlots; }
    static std::size_t index(int slot) { return static_cast<std::size_t>(slot); }
    void lightPreview(int slot);

    StepParameterSet& m_score;
    std::array<PatternSlot, kPatternSlots> m_slots{};
    std::array<bool, kPatternSlots> m_recallVisible{};
    int m_litPreview = -1;
};

}  // namespace tavrilo
