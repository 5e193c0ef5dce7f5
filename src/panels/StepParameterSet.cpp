#include "panels/StepParameterSet.h"

#include <algorithm>
#include <utility>

namespace tavrilo {

const std::array<RowInfo, kRows>& rowTable() {
    static const std::array<RowInfo, kRows> table = {{
        {Row::Tone, "Slidertone", "Tone", "Tone", 0, 24, 0, 24, 24,
         "higher is a higher note; the bottom is a rest"},
        {Row::Osc1, "Slidertl1", "Osc1", "Osc1", 0, 7, 0, 0, 0,
         "each height is another waveform of oscillator 1"},
        {Row::Osc2, "Sliderw21", "Osc2", "Osc2", 0, 7, 0, 0, 0,
         "each height is another waveform of oscillator 2"},
        {Row::AM1, "Slideramsp1", "AM1", "AM1", 0, 100, 0, 100, 100,
         "higher swells the two oscillators in turn, faster; the bottom mutes oscillator 2"},
        {Row::AM2, "Slideramsp21", "AM2", "AM2", 0, 100, 0, 100, 100,
         "higher is a faster tremolo; the bottom is none"},
        {Row::FM, "Sliderfm1", "FM", "FM", 0, 100, 0, 100, 100,
         "higher sweeps the pitch faster; the bottom holds it still"},
        {Row::VOL, "VScroll1", "VOL", "Vol", 0, 100, 90, 10, 10, "higher is louder"},
        {Row::Decay, "slider1", "Decay", "Decay", 0, 25, 0, 10, 10,
         "higher is a longer note; the top holds it"},
        {Row::Atteck, "Slidera", "Atteck", "atteck", 1, 25, 1, 25, 10,
         "higher is a slower, softer start"},
    }};
    return table;
}

StepParameterSet::StepParameterSet() {
    for (const RowInfo& info : rowTable())
        m_cells[static_cast<int>(info.row)].fill(info.createdValue);
}

int StepParameterSet::cell(Row row, int step) const {
    if (step < 0 || step >= kSteps) return 0;
    return m_cells[static_cast<int>(row)][static_cast<std::size_t>(step)];
}

void StepParameterSet::setCell(Row row, int step, int value) {
    if (step < 0 || step >= kSteps) return;
    const RowInfo& info = rowInfo(row);
    value = std::clamp(value, info.min, info.max);
    int& cell = m_cells[static_cast<int>(row)][static_cast<std::size_t>(step)];
    if (cell == value) return;
    const int from = std::exchange(cell, value);
    cellChanged({row, step, from, value});
}

void StepParameterSet::setLength(int length) {
    length = std::clamp(length, kMinLength, kMaxLength);
    if (m_length == length) return;
    const int from = std::exchange(m_length, length);
    lengthChanged({from, length});
}

void StepParameterSet::fill(int RowInfo::*value) {
    for (int step = 0; step < kSteps; ++step)
        for (const RowInfo& info : rowTable())
            setCell(info.row, step, info.*value);
    setLength(kMaxLength);
}

void StepParameterSet::fillStartup() { fill(&RowInfo::startupValue); }
void StepParameterSet::fillReset() { fill(&RowInfo::resetValue); }

}  // namespace tavrilo
