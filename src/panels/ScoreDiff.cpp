#include "panels/ScoreDiff.h"

#include <algorithm>

namespace tavrilo {

void ScoreDiff::add(const StepParameterSet::CellChange& c) {
    const auto same = [&c](const Cell& cell) { return cell.row == c.row && cell.step == c.step; };
    if (const auto it = std::find_if(m_cells.begin(), m_cells.end(), same); it != m_cells.end())
        it->to = static_cast<std::int8_t>(c.to);
    else
        m_cells.push_back({c.row, static_cast<std::int8_t>(c.step),
                           static_cast<std::int8_t>(c.from), static_cast<std::int8_t>(c.to)});
}

void ScoreDiff::add(const StepParameterSet::LengthChange& c) {
    m_length = {m_length ? m_length->from : c.from, c.to};
}

void ScoreDiff::apply(StepParameterSet& score, bool after) const {
    for (const Cell& c : m_cells)
        score.setCell(c.row, c.step, after ? c.to : c.from);
    if (m_length) score.setLength(after ? m_length->to : m_length->from);
}

ScoreRecorder::ScoreRecorder(StepParameterSet& score)
    : m_cells(score.cellChanged.connect([this](const StepParameterSet::CellChange& c) {
          if (!m_paused) m_diff.add(c);
      })),
      m_length(score.lengthChanged.connect([this](const StepParameterSet::LengthChange& c) {
          if (!m_paused) m_diff.add(c);
      })) {}

}  // namespace tavrilo
