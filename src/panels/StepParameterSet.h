#pragma once

#include <array>
#include <string_view>

#include "common/Signal.h"

namespace tavrilo {

// The nine per-step rows of the score, in the order start-up, reset and the pattern slots walk
// them. The names are those of the panel slider arrays that show each row.
enum class Row : int { Tone, Osc1, Osc2, AM1, AM2, FM, VOL, Decay, Atteck };

inline constexpr int kSteps = 32;
inline constexpr int kRows = 9;
inline constexpr int kMinLength = 1;
inline constexpr int kMaxLength = 32;

struct RowInfo {
    Row row;
    std::string_view controlName;  // slider array, e.g. "Slidertone"
    std::string_view legend;       // the caption under the row's swatch on the main window
    std::string_view panelLabel;   // the label beside its sliders on the panel window
    int min;
    int max;
    int createdValue;  // what the row's sliders hold as created, before start-up fills them
    int startupValue;
    int resetValue;
    std::string_view heightMeans;  // what a higher place on the board or a panel does, for tips
};

// Rows in enum order.
const std::array<RowInfo, kRows>& rowTable();
inline const RowInfo& rowInfo(Row r) { return rowTable()[static_cast<int>(r)]; }
inline constexpr std::array<Row, kRows> kAllRows = {Row::Tone, Row::Osc1,  Row::Osc2,
                                                    Row::AM1,  Row::AM2,   Row::FM,
                                                    Row::VOL,  Row::Decay, Row::Atteck};

// The score: nine rows of 32 integer cells and the sequence length. The panel sliders bind to
// it (every write moves the slider at once, every slider move writes the cell), so what a
// reader gets is always what the slider shows. UI thread only.
class StepParameterSet {
public:
    struct CellChange {
        Row row;
        int step;
        int from;
        int to;
    };
    struct LengthChange {
        int from;
        int to;
    };

    StepParameterSet();
    StepParameterSet(const StepParameterSet&) = delete;
    StepParameterSet& operator=(const StepParameterSet&) = delete;

    int cell(Row row, int step) const;
    // Clamps the value to the row's range, as a slider does; a step outside 0..31 writes nothing.
    void setCell(Row row, int step, int value);

    int length() const { return m_length; }
    void setLength(int length);  // clamped to 1..32

    // Start-up and reset values into all 32 steps, step by step in row order, then length 32.
    void fillStartup();
    void fillReset();

    // Every value that really changes, told after it changed.
    Signal<const CellChange&> cellChanged;
    Signal<const LengthChange&> lengthChanged;

private:
    void fill(int RowInfo::*value);

    std::array<std::array<int, kSteps>, kRows> m_cells{};
    int m_length = kMaxLength;
};

}  // namespace tavrilo
