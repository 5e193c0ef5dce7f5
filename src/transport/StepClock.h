#pragma once

#include <cstdint>

#include "panels/StepIndicators.h"
#include "panels/StepParameterSet.h"
#include "sound/VoiceState.h"
#include "transport/TimerService.h"
#include "transport/TransportSettings.h"

namespace tavrilo {

// The sequencer transport: play, stop and tempo, the step clock that walks the score and loads
// each sounding step into the voice, the attack and decay ramps of the envelope, and the synth
// reset. Every method is a timer or button handler and runs on the UI thread; no locks.
//
// The envelope counts in ramp ticks, not milliseconds: both ramps run at interval 1 ms, which the
// timer service delivers at its own granularity. envLevel stays within 0..124 (ceiling 100 plus
// an overshoot of at most attackRate - 1); all voice arithmetic is signed 16-bit.
class StepClock {
public:
    // The main window's ramp and step timers; the owner creates them in their design-time state
    // and routes their ticks to attackTick(), stepTick() and decayTick().
    struct Timers {
        TimerService::Timer& attack;  // Timer2
        TimerService::Timer& step;    // Timer3
        TimerService::Timer& decay;   // Timer4
    };
    static constexpr int kRestTone = 24;  // a Tone of 24 (or more) starts no note

    // The "Expand" values of `settings` reach the voice at every note, the tempo at
    // sltempo_Change().
    StepClock(StepParameterSet& score, StepIndicators& indicators, VoiceState& voice,
              const TransportSettings& settings, Timers timers);
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    // cmdplay: play lamp green, step clock on, back to step 0. Lamps, markers, ramps and voice
    // are left alone; from the stopped state the first step tick is one full interval away.
    void play();
    // cmdstop: step clock off, play lamp black. A sounding note runs out through its envelope.
    void stop();
    // sltempo moved: the step interval becomes the tempo, in ms; it applies from the next tick.
    void sltempo_Change();

    // Timer3_Timer, but for the synthesis pass that ends it (the caller's, so the step is heard
    // at once): lamp and marker of the step processed, the voice loaded from it if it sounds,
    // currentStep advanced and wrapped at the length, the new step's lamp lit.
    void stepTick();
    void attackTick();  // Timer2_Timer
    void decayTick();   // Timer4_Timer

    // Starts a note with the settings of `step` at `pitch`: waveforms, modulation rates, cuts,
    // amplitudes from the current level (no reset: a note starts where the last one is), the
    // envelope rates, the attack ramp on and the decay ramp off. The attack ceiling is then
    // 100 - VOL of this step for the whole note. The step clock passes the step it processes and
    // 24 - Tone; the computer keyboard passes currentStep() and a pitch of its own.
    void loadVoice(int step, std::int16_t pitch);

    // cmdreset: the reset values into all 32 steps, then length 32. The transport, the voice,
    // the envelope and the markers are left as they are.
    void reset();

    int currentStep() const { return m_currentStep; }
    int attackRate() const { return m_attackRate; }
    int decayRate() const { return m_decayRate; }
    bool playing() const { return m_timers.step.enabled(); }

private:
    std::int16_t ceiling() const;

    StepParameterSet& m_score;
    StepIndicators& m_indicators;
    VoiceState& m_voice;
    const TransportSettings& m_settings;
    Timers m_timers;

    std::int16_t m_currentStep = 0;  // the step the next step tick processes
    std::int16_t m_attackRate = 0;   // added to envLevel per attack tick, 1..25
    std::int16_t m_decayRate = 0;    // subtracted per decay tick, 0..25
    int m_soundingStep = 0;          // whose VOL sets the attack ceiling
};

}  // namespace tavrilo
