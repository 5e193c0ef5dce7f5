#pragma once

#include <array>
#include <functional>
#include <string_view>
#include <vector>

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
    std::string_view legend;       // what the palette calls it
    std::string_view panelLabel;   // the label beside its slider on the panel window
    int min;
    int max;
    int startupValue;
    int resetValue;
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
    struct Change {
        bool isLength;  // true: the sequence length changed; row and step are unused
        Row row;
        int step;
        int value;
    };
    using Listener = std::function<void(const Change&)>;

    StepParameterSet();

    int cell(Row row, int step) const;
    // Clamps the value to the row's range, as a slider does; a step outside 0..31 writes nothing.
    void setCell(Row row, int step, int value);

    int length() const { return m_length; }
    void setLength(int length);  // clamped to 1..32

    // Start-up and reset values into all 32 steps, step by step in row order, then length 32.
    void fillStartup();
    void fillReset();

    // Listeners are told of every value that actually changes, after it changed.
    void addListener(Listener listener);

private:
    void fill(int RowInfo::*value);
    void notify(const Change& change) const;

    std::array<std::array<int, kSteps>, kRows> m_cells{};
    int m_length = kMaxLength;
    std::vector<Listener> m_listeners;
};

}  // namespace tavrilo
