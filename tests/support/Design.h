#pragma once

// The score's rows as the design gives them, written once here for the tests and never taken
// from the program's own table: the slider array that shows a row, its panel and its range.

#include "panels/StepParameterSet.h"

namespace tavrilo::test {

struct DesignRow {
    Row row;
    const char* sliders;
    int panel;  // 0 oscillator (Form2), 1 envelope (Form5), 2 modulation (Form6)
    int min, max;
};
inline constexpr DesignRow kDesignRows[kRows] = {  // in the order of Row
    {Row::Tone, "Slidertone", 0, 0, 24},    {Row::Osc1, "Slidertl1", 0, 0, 7},
    {Row::Osc2, "Sliderw21", 0, 0, 7},      {Row::AM1, "Slideramsp1", 2, 0, 100},
    {Row::AM2, "Slideramsp21", 2, 0, 100},  {Row::FM, "Sliderfm1", 2, 0, 100},
    {Row::VOL, "VScroll1", 1, 0, 100},      {Row::Decay, "slider1", 1, 0, 25},
    {Row::Atteck, "Slidera", 1, 1, 25}};
inline const DesignRow& design(Row row) { return kDesignRows[static_cast<int>(row)]; }

}  // namespace tavrilo::test
