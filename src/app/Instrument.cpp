#include "app/Instrument.h"

#include "app/KeyboardNotes.h"

namespace tavrilo {

Instrument::Instrument(const Clock& clock, SoundDevice& sound, MeterSink& meter)
    : m_sound(sound), m_meter(meter), m_timers(clock) {
    m_tempoMoved = m_settings.tempo.changed.connect([this](int) { sltempo_Change(); });
}

bool Instrument::Form_Load() {
    m_uiThread.check();
    if (!m_sound.InitSound()) return false;
    m_sound.Play(0);
    m_sound.Play(1);
    m_drawing.setPenColor(colors::white);
    m_voice.amp1 = 0;
    m_voice.amp2 = 0;
    m_voice.amRate1 = 0;
    m_voice.amRate2 = 0;
    m_voice.fmRate = 0;
    m_voice.cut1 = 0;
    m_voice.cut2 = 0;
    m_settings.tempo.set(kStartupTempoMs);
    m_score.fillStartup();
    m_voice.envLevel = 0;
    m_score.setLength(kMaxLength);
    return true;
}

void Instrument::Form_Unload() {
    m_uiThread.check();
    m_sound.ReleaseSound();
    for (TimerService::Timer* timer : {&m_timer1, &m_timer2, &m_timer3, &m_timer4})
        timer->setEnabled(false);
}

void Instrument::cmdplay_Click() {
    m_uiThread.check();
    m_stepClock.play();
}

void Instrument::cmdstop_Click() {
    m_uiThread.check();
    m_stepClock.stop();
}

void Instrument::cmdreset_Click() {
    m_uiThread.check();
    m_stepClock.reset();
}

void Instrument::cmdnew_Click() {
    m_uiThread.check();
    m_drawing.clearPosition();
    boardCleared();
}

void Instrument::sltempo_Change() {
    m_uiThread.check();
    m_stepClock.sltempo_Change();
}

void Instrument::lblcolor_Click(int swatch) {
    m_uiThread.check();
    m_drawing.lblcolor_Click(swatch);
}

void Instrument::optraw_Click(int index) {
    m_uiThread.check();
    m_drawing.setMode(index == 0 ? AddressingMode::PlayStep : AddressingMode::CursorStep);
}

void Instrument::Picdraw_MouseDown(int button, int, float x, float y) {
    m_uiThread.check();
    m_drawing.mouseDown(button, x, y);
}

void Instrument::Picdraw_MouseMove(int button, int, float x, float y) {
    m_uiThread.check();
    if (const auto segment = m_drawing.mouseMove(button, x, y, m_stepClock.currentStep()))
        segmentDrawn(*segment);
}

void Instrument::Picdraw_MouseUp(int button, int, float, float) {
    m_uiThread.check();
    m_drawing.mouseUp(button);
    // Every release stops the attack ramp where it stands.
    m_timer2.setEnabled(false);
}

void Instrument::storeSlot_Click(int slot) {
    m_uiThread.check();
    m_patterns.store(slot);
}

void Instrument::recallSlot_Click(int slot) {
    m_uiThread.check();
    m_patterns.recall(slot);
}

bool Instrument::notePressed(std::uint32_t nativeScanCode, char32_t character, bool autoRepeat) {
    m_uiThread.check();
    const auto pitch = pitchForKey(nativeScanCode, character);
    if (!pitch) return false;
    if (!autoRepeat) keyboardNote(*pitch);
    return true;
}

void Instrument::keyboardNote(std::int16_t pitch) {
    m_uiThread.check();
    m_stepClock.loadVoice(m_stepClock.currentStep(), pitch);
    Timer1_Timer();  // heard at once, as a step is
}

Tune Instrument::tune() const {
    Tune t;
    for (Row row : kAllRows)
        for (int step = 0; step < kSteps; ++step)
            t.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(step)] =
                m_score.cell(row, step);
    t.length = m_score.length();
    t.tempo = m_settings.tempo.value();
    t.expand1 = m_settings.expand1.value();
    t.expand2 = m_settings.expand2.value();
    return t;
}

void Instrument::pasteTune(const Tune& t) {
    m_uiThread.check();
    for (int step = 0; step < kSteps; ++step)
        for (Row row : kAllRows)
            m_score.setCell(row, step,
                            t.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(step)]);
    m_score.setLength(t.length);
    m_settings.tempo.set(t.tempo);
    m_settings.expand1.set(t.expand1);
    m_settings.expand2.set(t.expand2);
}

void Instrument::Timer1_Timer() {
    m_uiThread.check();
    m_engine.tick(m_voice, m_sound, m_meter);
    constexpr auto kQuietTicksBeforeRest = std::chrono::seconds(2) / TimerService::kGranularity;
    const bool quiet = !m_stepClock.playing() && m_engine.silent();
    m_quietTicks = quiet ? m_quietTicks + 1 : 0;
    if (m_quietTicks == kQuietTicksBeforeRest) m_sound.Rest();
}

void Instrument::Timer2_Timer() {
    m_uiThread.check();
    m_stepClock.attackTick();
}

void Instrument::Timer3_Timer() {
    m_uiThread.check();
    m_stepClock.stepTick();
    Timer1_Timer();  // a new step is heard at once
}

void Instrument::Timer4_Timer() {
    m_uiThread.check();
    m_stepClock.decayTick();
}

}  // namespace tavrilo
