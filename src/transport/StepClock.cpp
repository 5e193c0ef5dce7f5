#include "transport/StepClock.h"

#include <utility>

namespace tavrilo {

namespace {

constexpr int kRampIntervalMs = 1;  // both ramps: as fast as the timer service ticks

std::int16_t i16(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

StepClock::StepClock(StepParameterSet& score, StepIndicators& indicators, VoiceState& voice,
                     const TransportSettings& settings, Ramps ramps)
    : m_score(score),
      m_indicators(indicators),
      m_voice(voice),
      m_settings(settings),
      m_ramps(ramps) {}

void StepClock::play() {
    m_currentStep = 0;
    setRunning(true);
}

void StepClock::resume() { setRunning(true); }

void StepClock::stop() { setRunning(false); }

void StepClock::setRunning(bool running) {
    m_indicators.setPlayLamp(running);
    const bool was = std::exchange(m_running, running);
    if (running)
        started();  // a play while running restarts, and says so
    else if (was)
        stopped();
}

void StepClock::locate(int step) {
    const int length = m_score.length();
    m_currentStep = i16(((step % length) + length) % length);
}

void StepClock::skip(int steps) { locate(m_currentStep + steps); }

void StepClock::step(const StepTiming& timing) {
    if (!m_running) return;
    const int s = m_currentStep;
    const int tone = m_score.cell(Row::Tone, s);
    const bool sounding = tone < kRestTone;

    // One lamp model stands for the three panels' lamps and the main window's.
    m_indicators.setLamp(s, false);
    m_indicators.setMarker(s, sounding);

    if (sounding) loadVoice(s, i16(kRestTone - tone));

    m_currentStep = i16(s + 1);
    if (m_currentStep >= m_score.length()) m_currentStep = 0;

    m_indicators.setLamp(m_currentStep, true);
    stepped(timing);
}

void StepClock::loadVoice(int step, std::int16_t pitch) {
    if (step < 0 || step >= kSteps) return;

    m_voice.osc1Option = 7 - m_score.cell(Row::Osc1, step);
    m_voice.osc2Option = 7 - m_score.cell(Row::Osc2, step);
    m_voice.amRate1 = i16(100 - m_score.cell(Row::AM1, step));
    m_voice.fmRate = i16(100 - m_score.cell(Row::FM, step));
    m_voice.amRate2 = i16(100 - m_score.cell(Row::AM2, step));
    m_voice.cut1 = i16(m_settings.expand1.value());
    m_voice.cut2 = i16(m_settings.expand2.value());
    m_voice.amp1 = m_voice.envLevel;
    m_voice.amp2 = m_voice.envLevel;
    m_decayRate = i16(m_score.cell(Row::Decay, step));
    m_attackRate = i16(m_score.cell(Row::Atteck, step));
    m_voice.pitch = pitch;
    m_soundingStep = step;

    m_ramps.attack.setInterval(kRampIntervalMs);
    m_ramps.attack.setEnabled(true);
    m_ramps.decay.setEnabled(false);
}

std::int16_t StepClock::ceiling() const {
    // The step that started the note, not currentStep: the step tick has moved on by the time
    // the ramp runs, and the note must not take its loudness from the following step.
    return i16(100 - m_score.cell(Row::VOL, m_soundingStep));
}

void StepClock::attackTick() {
    // The ceiling is read anew on every tick, so moving the VOL slider reshapes a running attack.
    if (m_voice.envLevel < ceiling()) m_voice.envLevel = i16(m_voice.envLevel + m_attackRate);
    if (m_voice.envLevel >= ceiling()) {
        // The hand-over happens inside this one tick, whatever order other timers fire in.
        m_ramps.attack.setEnabled(false);
        m_ramps.decay.setInterval(kRampIntervalMs);
        m_ramps.decay.setEnabled(true);
    }
}

void StepClock::decayTick() {
    // A decay of 0 holds the level (a sustain) until the next sounding step stops this ramp.
    if (m_voice.envLevel >= 0) m_voice.envLevel = i16(m_voice.envLevel - m_decayRate);
    if (m_voice.envLevel < 1) {
        m_voice.envLevel = 0;
        m_ramps.decay.setEnabled(false);
    }
}

}  // namespace tavrilo
