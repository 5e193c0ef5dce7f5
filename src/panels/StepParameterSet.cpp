#include "panels/StepParameterSet.h"

#include <algorithm>

namespace tavrilo {

const std::array<RowInfo, kRows>& rowTable() {
    static const std::array<RowInfo, kRows> table = {{
        {Row::Tone, "Slidertone", "Tone", "Tone", 0, 24, 24, 24},
        {Row::Osc1, "Slidertl1", "Osc1", "Osc1", 0, 7, 0, 0},
        {Row::Osc2, "Sliderw21", "Osc2", "Osc2", 0, 7, 0, 0},
        {Row::AM1, "Slideramsp1", "AM1", "AM1", 0, 100, 100, 100},
        {Row::AM2, "Slideramsp21", "AM2", "AM2", 0, 100, 100, 100},
        {Row::FM, "Sliderfm1", "FM", "FM", 0, 100, 100, 100},
        {Row::VOL, "VScroll1", "VOL", "Vol", 0, 100, 10, 10},
        {Row::Decay, "slider1", "Decay", "Decay", 0, 25, 10, 10},
        {Row::Atteck, "Slidera", "Atteck", "atteck", 1, 25, 25, 10},
    }};
    return table;
}

StepParameterSet::StepParameterSet() {
    // The values the sliders carry as created; start-up overwrites them before anyone looks.
    for (const RowInfo& info : rowTable())
        m_cells[static_cast<int>(info.row)].fill(info.min);
    m_cells[static_cast<int>(Row::VOL)].fill(90);
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
    cell = value;
    notify({false, row, step, value});
}

void StepParameterSet::setLength(int length) {
    length = std::clamp(length, kMinLength, kMaxLength);
    if (m_length == length) return;
    m_length = length;
    notify({true, Row::Tone, 0, length});
}

void StepParameterSet::fill(int RowInfo::*value) {
    for (int step = 0; step < kSteps; ++step)
        for (const RowInfo& info : rowTable())
            setCell(info.row, step, info.*value);
    setLength(kMaxLength);
}

void StepParameterSet::fillStartup() { fill(&RowInfo::startupValue); }
void StepParameterSet::fillReset() { fill(&RowInfo::resetValue); }

void StepParameterSet::addListener(Listener listener) {
    m_listeners.push_back(std::move(listener));
}

void StepParameterSet::notify(const Change& change) const {
    for (const Listener& listener : m_listeners)
        listener(change);
}

}  // namespace tavrilo
