#include "patterns/PatternMemory.h"

namespace tavrilo {

void PatternMemory::store(int slot) {
    if (!valid(slot)) return;
    if (!m_recallVisible[index(slot)]) {
        m_recallVisible[index(slot)] = true;
        recallShown(slot);
    }
    lightPreview(slot);

    PatternSlot& target = m_slots[index(slot)];
    for (int step = 0; step < kSteps; ++step)
        for (Row row : kAllRows)
            target.rows[static_cast<std::size_t>(row)][index(step)] =
                static_cast<std::int16_t>(m_score.cell(row, step));
    target.length = static_cast<std::int16_t>(m_score.length());
}

void PatternMemory::recall(int slot) {
    // A slot never stored holds zeros, below the attack and length ranges: never write it back.
    if (!recallVisible(slot)) return;
    lightPreview(slot);

    // Work from a copy, so a score listener that stores into this slot mid-way cannot mix old
    // and new values.
    const PatternSlot source = m_slots[index(slot)];
    for (int step = 0; step < kSteps; ++step)
        for (Row row : kAllRows)
            m_score.setCell(row, step, source.value(row, step));
    m_score.setLength(source.length);
}

// The chosen preview turns red, then the one lit before turns black; only real changes are
// announced, so a slot lit again is silent.
void PatternMemory::lightPreview(int slot) {
    const int previous = m_litPreview;
    if (previous == slot) return;
    m_litPreview = slot;
    previewChanged(slot, true);
    if (previous >= 0) previewChanged(previous, false);
}

}  // namespace tavrilo
