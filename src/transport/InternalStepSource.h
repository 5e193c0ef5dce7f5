#pragma once

#include "sound/SoundPort.h"
#include "transport/StepSource.h"
#include "transport/TimerService.h"

namespace tavrilo {

// The step clock's own timer: a step every "Speed" milliseconds, the first one full interval
// after play; play while playing goes back to step 0 without moving the tick times. UI thread.
class InternalStepSource final : public StepSource {
public:
    // The timer is created in `timers` as designed: interval 75 ms, stopped. `sound` says how
    // late a step is heard, for those who follow the steps (a MIDI clock sent out).
    InternalStepSource(TimerService& timers, StepTransport& transport, const SoundDevice& sound);

    void activate(const std::optional<StepTiming>& next) override;
    std::optional<StepTiming> deactivate() override;
    void requestPlay() override;
    void requestStop() override;
    void requestTempo(int msPerStep) override { m_timer.setInterval(msPerStep); }

    const TimerService::Timer& timer() const { return m_timer; }

private:
    void tick();

    StepTransport& m_transport;
    const SoundDevice& m_sound;
    TimerService::Timer& m_timer;
};

}  // namespace tavrilo
