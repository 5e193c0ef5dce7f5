#pragma once

#include <array>

#include "common/Signal.h"
#include "panels/StepParameterSet.h"

namespace tavrilo {

// What the step clock shows: a lamp per step (red or black, the same on the main window and on
// the three panels), a marker per step on the panels (shown while the step sounds) and the play
// lamp. Widgets bind to it; the step clock writes it. UI thread only.
class StepIndicators {
public:
    bool lamp(int step) const { return m_lamps[index(step)]; }
    bool marker(int step) const { return m_markers[index(step)]; }
    bool playLamp() const { return m_playLamp; }

    // A step outside 0..31 changes nothing.
    void setLamp(int step, bool red);
    void setMarker(int step, bool shown);
    void setPlayLamp(bool green);

    // Every real change, told after it changed: the step and its new state.
    Signal<int, bool> lampChanged;
    Signal<int, bool> markerChanged;
    Signal<bool> playLampChanged;

private:
    static std::size_t index(int step) { return static_cast<std::size_t>(step); }

    std::array<bool, kSteps> m_lamps{};
    std::array<bool, kSteps> m_markers{};
    bool m_playLamp = false;
};

}  // namespace tavrilo
