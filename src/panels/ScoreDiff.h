#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "panels/StepParameterSet.h"

namespace tavrilo {

// What a stretch of score changes did: for each cell and for the length, the value before the
// first change and after the last one, so the stretch can be taken back and done again. Only what
// changed is kept: a whole reset is 288 small entries, a stroke a few.
class ScoreDiff {
public:
    void add(const StepParameterSet::CellChange& change);
    void add(const StepParameterSet::LengthChange& change);

    bool empty() const { return m_cells.empty() && !m_length; }
    // Writes the values from before, or from after, back into the score.
    void undo(StepParameterSet& score) const { apply(score, false); }
    void redo(StepParameterSet& score) const { apply(score, true); }
    std::size_t bytes() const { return sizeof(*this) + m_cells.capacity() * sizeof(Cell); }

private:
    struct Cell {
        Row row;
        std::int8_t step;
        std::int8_t from;  // every row's range fits a signed byte
        std::int8_t to;
    };
    struct Length {
        int from;
        int to;
    };
    void apply(StepParameterSet& score, bool after) const;

    std::vector<Cell> m_cells;  // in the order first changed
    std::optional<Length> m_length;
};

// Collects the changes of a score into a ScoreDiff from construction on, while not paused.
class ScoreRecorder {
public:
    explicit ScoreRecorder(StepParameterSet& score);
    ScoreDiff take() { return std::exchange(m_diff, {}); }
    bool empty() const { return m_diff.empty(); }
    // While paused (taking back or doing again), changes are not collected.
    void pause(bool paused) { m_paused = paused; }

private:
    ScoreDiff m_diff;
    bool m_paused = false;
    Subscription m_cells;
    Subscription m_length;
};

}  // namespace tavrilo
