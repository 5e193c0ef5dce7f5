#pragma once

#include <cstdint>

#include "common/Signal.h"
#include "panels/StepIndicators.h"
#include "panels/StepParameterSet.h"
#include "sound/VoiceState.h"
#include "transport/StepSource.h"
#include "transport/TimerService.h"
#include "transport/TransportSettings.h"

namespace tavrilo {

// The sequencer's transport: whether it runs, the step clock that walks the score and loads each
// sounding step into the voice, and the attack and decay ramps of the envelope. A step source
// decides when a step comes (StepSource.h); this class decides what a step does. Every method
// runs on the UI thread; no locks.
//
// The envelope counts in ramp ticks, not milliseconds: both ramps run at interval 1 ms, which the
// timer service delivers on its 64 Hz grid. envLevel stays within 0..124 (ceiling 100 plus an
// overshoot of at most attackRate - 1); all voice arithmetic is signed 16-bit.
class StepClock final : public StepTransport {
public:
    // The ramps' timers; the owner creates them in their design-time state (attack interval 0 and
    // enabled, decay interval 0 and disabled) and routes their ticks to attackTick() and
    // decayTick().
    struct Ramps {
        TimerService::Timer& attack;
        TimerService::Timer& decay;
    };
    static constexpr int kRestTone = 24;  // a Tone of 24 (or more) starts no note

    // The "Expand" values of `settings` reach the voice at every note.
    StepClock(StepParameterSet& score, StepIndicators& indicators, VoiceState& voice,
              const TransportSettings& settings, Ramps ramps);
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    // Play lamp green, running, back to step 0. Lamps, markers, ramps and voice are left alone.
    void play() override;
    // Play lamp green, running on from currentStep.
    void resume() override;
    // Not running, play lamp black. A sounding note runs out through its envelope.
    void stop() override;
    // currentStep moved to `step`, or on by `steps`, wrapped at the length; no lamp changes.
    void locate(int step) override;
    void skip(int steps) override;

    // One step tick while running: lamp and marker of the step processed, the voice loaded from
    // it if it sounds, currentStep advanced and wrapped at the length, the new step's lamp lit;
    // then `stepped` (the instrument's synthesis pass among its listeners, so the step is heard
    // at once).
    void step(const StepTiming& timing) override;
    void attackTick();  // one tick of the attack ramp
    void decayTick();   // one tick of the decay ramp

    // Starts a note with the settings of `step` at `pitch`: waveforms, modulation rates, cuts,
    // amplitudes from the current level (no reset: a note starts where the last one is), the
    // envelope rates, the attack ramp on and the decay ramp off. The attack ceiling is then
    // 100 - VOL of this step for the whole note. A step passes itself and 24 - Tone; a played note
    // passes currentStep() and a pitch of its own.
    void loadVoice(int step, std::int16_t pitch);

    bool running() const override { return m_running; }
    int currentStep() const override { return m_currentStep; }
    int attackRate() const { return m_attackRate; }
    int decayRate() const { return m_decayRate; }

    // After each step tick, with its timing; at every play or resume (a restart included), with
    // currentStep the first step to come; when a running transport stops.
    Signal<const StepTiming&> stepped;
    Signal<> started;
    Signal<> stopped;

private:
    std::int16_t ceiling() const;
    void setRunning(bool running);

    StepParameterSet& m_score;
    StepIndicators& m_indicators;
    VoiceState& m_voice;
    const TransportSettings& m_settings;
    Ramps m_ramps;

    bool m_running = false;
    std::int16_t m_currentStep = 0;  // the step the next step tick processes
    std::int16_t m_attackRate = 0;   // added to envLevel per attack tick, 1..25
    std::int16_t m_decayRate = 0;    // subtracted per decay tick, 0..25
    int m_soundingStep = 0;          // whose VOL sets the attack ceiling
};

}  // namespace tavrilo
