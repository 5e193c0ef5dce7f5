#include "transport/InternalStepSource.h"

namespace tavrilo {

InternalStepSource::InternalStepSource(TimerService& timers, StepTransport& transport,
                                       const SoundDevice& sound)
    : m_transport(transport),
      m_sound(sound),
      m_timer(timers.create(75, false, [this] { tick(); })) {}

void InternalStepSource::activate(const std::optional<StepTiming>& next) {
    if (next && m_transport.running()) m_timer.startAt(next->heard - stepLead(m_sound));
}

std::optional<StepTiming> InternalStepSource::deactivate() {
    const auto deadline = m_timer.deadline();
    m_timer.setEnabled(false);
    if (!deadline || !m_transport.running()) return std::nullopt;
    return StepTiming{*deadline + stepLead(m_sound), m_timer.period()};
}

void InternalStepSource::requestPlay() {
    m_transport.play();
    m_timer.setEnabled(true);
}

void InternalStepSource::requestStop() {
    m_timer.setEnabled(false);
    m_transport.stop();
}

void InternalStepSource::tick() {
    // The step belongs to the deadline just met, not to the moment the event loop got here.
    m_transport.step({m_timer.lastTick() + stepLead(m_sound), m_timer.period()});
}

}  // namespace tavrilo
