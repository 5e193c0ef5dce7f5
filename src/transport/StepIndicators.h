#pragma once

#include <array>
#include <functional>
#include <vector>

#include "panels/StepParameterSet.h"

namespace tavrilo {

// What the step clock shows: a lamp per step (red or black, the same on the main window and on
// the three panels), a marker per step on the panels (shown while the step sounds) and the play
// lamp. Widgets bind to it; the step clock writes it. UI thread only.
class StepIndicators {
public:
    enum class Kind { Lamp, Marker, PlayLamp };
    struct Change {
        Kind kind;
        int step;  // unused for the play lamp
        bool on;
    };
    using Listener = std::function<void(const Change&)>;

    bool lamp(int step) const { return m_lamps[index(step)]; }
    bool marker(int step) const { return m_markers[index(step)]; }
    bool playLamp() const { return m_playLamp; }

    void setLamp(int step, bool red);
    void setMarker(int step, bool shown);
    void setPlayLamp(bool green);

    void addListener(Listener listener) { m_listeners.push_back(std::move(listener)); }

private:
    static std::size_t index(int step) { return static_cast<std::size_t>(step); }
    void notify(const Change& change) const;

    std::array<bool, kSteps> m_lamps{};
    std::array<bool, kSteps> m_markers{};
    bool m_playLamp = false;
    std::vector<Listener> m_listeners;
};

}  // namespace tavrilo
