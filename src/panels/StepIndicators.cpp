#include "panels/StepIndicators.h"

namespace tavrilo {

void StepIndicators::setLamp(int step, bool red) {
    if (step < 0 || step >= kSteps || m_lamps[index(step)] == red) return;
    m_lamps[index(step)] = red;
    lampChanged(step, red);
}

void StepIndicators::setMarker(int step, bool shown) {
    if (step < 0 || step >= kSteps || m_markers[index(step)] == shown) return;
    m_markers[index(step)] = shown;
    markerChanged(step, shown);
}

void StepIndicators::setPlayLamp(bool green) {
    if (m_playLamp == green) return;
    m_playLamp = green;
    playLampChanged(green);
}

}  // namespace tavrilo
