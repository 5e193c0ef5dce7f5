#include "app/Instrument.h"

#include <array>
#include <span>

#include "app/KeyboardNotes.h"

namespace tavrilo {

Instrument::Instrument(const Clock& clock, SoundDevice& sound, MeterSink& meter,
                       Connections connections)
    : m_sound(sound), m_meter(meter), m_timers(clock), m_midi(connections.midi) {
    // A new step is heard at once, not at the next synthesis tick.
    m_stepped = m_stepClock.stepped.connect([this](const StepTiming&) { synthesisTick(); });
    m_tempoMoved = m_settings.tempo.changed.connect([this](int ms) {
        m_uiThread.check();
        m_source->requestTempo(ms);
    });
    if (connections.link)
        m_link = std::make_unique<LinkStepSource>(m_timers, m_stepClock, *connections.link,
                                                  m_settings.tempo, m_sound);
    if (m_midi) {
        m_midiClock = std::make_unique<MidiClockSource>(m_stepClock, m_settings.tempo, m_sound);
        m_clockOut = std::make_unique<MidiClockSender>(*m_midi);
        m_clockOutStarted = m_stepClock.started.connect([this] {
            if (m_sendClock) m_clockOut->started(m_stepClock.currentStep());
        });
        m_clockOutStepped = m_stepClock.stepped.connect([this](const StepTiming& timing) {
            if (m_sendClock) m_clockOut->stepped(timing);
        });
        m_clockOutStopped = m_stepClock.stopped.connect([this] {
            if (m_sendClock) m_clockOut->stopped();
        });
    }
}

Instrument::~Instrument() = default;

bool Instrument::startUp() {
    m_uiThread.check();
    if (!m_sound.open()) return false;
    m_sound.startLoop(0);
    m_sound.startLoop(1);
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
    keepSound();
    return true;
}

void Instrument::keepSound() {
    if (const auto next = m_keeper.check(m_timers.clock().now()))
        m_keeperTimer.fireAt(*next);
    else
        m_keeperTimer.setEnabled(false);
}

void Instrument::shutDown() {
    m_uiThread.check();
    // Leaving a Link session stops no peer; the sequence stops here only.
    m_source->deactivate();
    m_stepClock.stop();
    m_sound.release();
    for (TimerService::Timer* timer :
         {&m_synthesisTimer, &m_attackTimer, &m_decayTimer, &m_restTimer, &m_keeperTimer})
        timer->setEnabled(false);
}

void Instrument::play() {
    m_uiThread.check();
    m_source->requestPlay();
    settle();
}

void Instrument::stop() {
    m_uiThread.check();
    m_source->requestStop();
    settle();
}

void Instrument::playOrStop() { m_stepClock.running() ? stop() : play(); }

void Instrument::useStepSource(StepSourceKind kind) {
    m_uiThread.check();
    StepSource* const sources[] = {&m_internal, m_link.get(), m_midiClock.get()};
    StepSource* next = sources[static_cast<std::size_t>(kind)];
    if (kind == m_sourceKind || !next) return;
    const auto nextStep = m_source->deactivate();
    m_sourceKind = kind;
    m_source = next;
    // The tempo may have moved while another source had it.
    m_source->requestTempo(m_settings.tempo.value());
    m_source->activate(nextStep);
    settle();
}

void Instrument::linkChanged() {
    m_uiThread.check();
    if (m_link && m_source == m_link.get()) m_link->update();
    settle();
}

void Instrument::midiArrived(bool playNotes) {
    m_uiThread.check();
    if (!m_midi) return;
    bool noted = false;
    // One slice per wake: what is left wakes this again, after the window's other events, so a
    // flood never holds the window up.
    std::array<MidiEvent, 64> batch;
    const std::size_t n = m_midi->drain(batch);
    for (const MidiEvent& e : std::span(batch).first(n)) {
        switch (e.type) {
            case MidiEvent::Type::NoteOn:
                // Notes of one batch follow each other within microseconds: each loads the
                // voice, and one synthesis pass after them is what would be heard.
                if (const auto pitch = pitchForNote(e.note); pitch && playNotes) {
                    m_stepClock.loadVoice(m_stepClock.currentStep(), *pitch);
                    noted = true;
                }
                break;
            case MidiEvent::Type::Clock: m_midiClock->clock(e.time); break;
            case MidiEvent::Type::Start: m_midiClock->start(); break;
            case MidiEvent::Type::Continue: m_midiClock->resume(); break;
            case MidiEvent::Type::Stop: m_midiClock->stop(); break;
            case MidiEvent::Type::SongPosition: m_midiClock->songPosition(e.position); break;
        }
    }
    if (noted)
        synthesisTick();
    else
        settle();
}

std::string Instrument::midiDescription() const {
    return m_midi ? m_midi->description() : "unavailable";
}

void Instrument::sendMidiClock(bool on) {
    m_uiThread.check();
    if (!midiAvailable() || on == m_sendClock) return;
    m_sendClock = on;
    // Joining a running sequence, a receiver gets where it is first.
    if (on && m_stepClock.running()) m_clockOut->started(m_stepClock.currentStep());
    if (!on) m_clockOut->stopped();
}

std::optional<std::size_t> Instrument::linkPeers() const {
    if (!m_link) return std::nullopt;
    return m_link->peers();
}

void Instrument::resetScore() {
    m_uiThread.check();
    m_score.fillReset();
}

void Instrument::clearBoard() {
    m_uiThread.check();
    m_drawing.clearPosition();
    boardCleared();
}

void Instrument::pickChalk(int swatch) {
    m_uiThread.check();
    m_drawing.pickChalk(swatch);
}

void Instrument::setDrawingMode(AddressingMode mode) {
    m_uiThread.check();
    m_drawing.setMode(mode);
}

void Instrument::beginStroke(int button, float x, float y) {
    m_uiThread.check();
    m_drawing.beginStroke(button, x, y);
}

void Instrument::moveStroke(int buttons, float x, float y) {
    m_uiThread.check();
    if (const auto segment = m_drawing.moveStroke(buttons, x, y, m_stepClock.currentStep()))
        segmentDrawn(*segment);
}

void Instrument::endStroke(int button) {
    m_uiThread.check();
    m_drawing.endStroke(button);
    // Every release stops the attack ramp where it stands.
    m_attackTimer.setEnabled(false);
}

void Instrument::storePattern(int slot) {
    m_uiThread.check();
    m_patterns.store(slot);
}

void Instrument::recallPattern(int slot) {
    m_uiThread.check();
    m_patterns.recall(slot);
}

bool Instrument::noteKeyPressed(std::uint32_t nativeScanCode, char32_t character, bool autoRepeat) {
    m_uiThread.check();
    const auto pitch = pitchForKey(nativeScanCode, character);
    if (!pitch) return false;
    if (!autoRepeat) playNote(*pitch);
    return true;
}

void Instrument::playNote(std::int16_t pitch) {
    m_uiThread.check();
    m_stepClock.loadVoice(m_stepClock.currentStep(), pitch);
    synthesisTick();  // heard at once, as a step is
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
    if (ownsTempo()) m_settings.tempo.set(t.tempo);
    m_settings.expand1.set(t.expand1);
    m_settings.expand2.set(t.expand2);
}

void Instrument::drawScore() {
    m_uiThread.check();
    boardCleared();
    for (const Segment& segment : m_drawing.scoreOutline())
        segmentDrawn(segment);
}

void Instrument::synthesisTick() {
    m_uiThread.check();
    m_engine.tick(m_voice, m_sound, m_meter);
    settle();
}

void Instrument::setForeground(bool active) {
    m_uiThread.check();
    m_foreground = active;
    if (active) m_sound.wake();
    settle();
}

void Instrument::settle() {
    // Every change of the voice either runs a tick (a step, a note) or comes from a running ramp,
    // so a timer that sleeps only when neither can happen misses nothing: tick for tick, the
    // sound is what it would be if it never slept. A ramp runs when it has a tick to come: the
    // attack timer is enabled from the start, at an interval that never fires.
    const bool repeats =
        m_engine.wouldRepeat(m_voice) && !m_attackTimer.deadline() && !m_decayTimer.deadline();
    m_synthesisTimer.setEnabled(!(repeats && m_synthesisMaySleep));

    const bool mayRest = !m_foreground && !m_stepClock.running() && m_engine.silent() &&
                         ownsTempo() && !(m_midi && m_midi->inputConnected());
    if (!mayRest)
        m_restTimer.setEnabled(false);
    else if (!m_restTimer.enabled())
        m_restTimer.fireAt(m_timers.clock().now() + kQuietBeforeRest);
}

void Instrument::attackRampTick() {
    m_uiThread.check();
    m_stepClock.attackTick();
}

void Instrument::decayRampTick() {
    m_uiThread.check();
    m_stepClock.decayTick();
}

}  // namespace tavrilo
