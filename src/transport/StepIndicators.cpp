#include "transport/StepIndicators.h"

namespace tavrilo {

void StepIndicators::setLamp(int step, bool red) {
    if (step < 0 || step >= kSteps || m_lamps[index(step)] == red) return;
    m_lamps[index(step)] = red;
    notify({Kind::Lamp, step, red});
}

void StepIndicators::setMarker(int step, bool shown) {
    if (step < 0 || step >= kSteps || m_markers[index(step)] == shown) return;
    m_markers[index(step)] = shown;
    notify({Kind::Marker, step, shown});
}

void StepIndicators::setPlayLamp(bool green) {
    if (m_playLamp == green) return;
    m_playLamp = green;
    notify({Kind::PlayLamp, 0, green});
}

void StepIndicators::notify(const Change& change) const {
    for (const Listener& listener : m_listeners)
        listener(change);
}

}  // namespace tavrilo
