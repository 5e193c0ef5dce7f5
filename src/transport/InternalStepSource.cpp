#include "transport/InternalStepSource.h"

namespace tavrilo {

InternalStepSource::InternalStepSource(TimerService& timers, StepTransport& transport,
                                       const SoundDevice& sound)
    : m_transport(transport),
      m_sound(sound),
      m_timer(timers.create(75, false, [this] { tick(); })) {}

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
    m_transport.step({m_timer.lastTick() + m_sound.outputLatency(), m_timer.period()});
}

}  // namespace tavrilo
