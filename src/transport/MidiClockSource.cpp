#include "transport/MidiClockSource.h"

#include <cmath>

namespace tavrilo {

namespace {

constexpr int kClocksPerStep = 6;
constexpr double kPreciseStep = 0.25e6;  // ns: the tempo shows once known this well

}  // namespace

MidiClockSource::MidiClockSource(StepTransport& transport, Setting& speed, const SoundDevice& sound)
    : m_transport(transport), m_speed(speed), m_sound(sound) {}

void MidiClockSource::activate(const std::optional<StepTiming>& next) {
    m_active = true;
    m_running = next && m_transport.running();
    m_clocksToStep = 0;
    showTempo();
}

std::optional<StepTiming> MidiClockSource::deactivate() {
    std::optional<StepTiming> next;
    const Nanos period = stepPeriod();
    if (m_active && m_running && period > Nanos{0})
        next = StepTiming{
            m_lastClock + (m_clocksToStep + 1) * period / kClocksPerStep + stepLead(m_sound),
            period};
    m_active = m_running = false;
    return next;
}

void MidiClockSource::requestPlay() {
    if (!m_active) return;
    m_transport.play();
    m_running = true;
    m_clocksToStep = 0;
}

void MidiClockSource::requestStop() {
    if (!m_active) return;
    m_transport.stop();
    m_running = false;
}

void MidiClockSource::start() { requestPlay(); }

void MidiClockSource::resume() {
    if (!m_active) return;
    m_transport.resume();
    m_running = true;
}

void MidiClockSource::stop() { requestStop(); }

void MidiClockSource::songPosition(int sixteenths) {
    if (!m_active || m_running) return;
    m_transport.locate(sixteenths);
    m_clocksToStep = 0;
}

void MidiClockSource::clock(Nanos time) {
    m_tempo.add(static_cast<double>(time.count()));
    m_lastClock = time;
    if (!m_active) return;
    showTempo();
    if (!m_running) return;
    if (m_clocksToStep > 0) {
        --m_clocksToStep;
        return;
    }
    m_clocksToStep = kClocksPerStep - 1;
    m_transport.step({time + stepLead(m_sound), stepPeriod()});
}

Nanos MidiClockSource::stepPeriod() const {
    return Nanos{std::llround(m_tempo.period() * kClocksPerStep)};
}

bool MidiClockSource::locked() const {
    return m_tempo.uncertainty() * kClocksPerStep < kPreciseStep;
}

void MidiClockSource::showTempo() {
    // Only a tempo known well: after a change, the slider waits and then moves once.
    if (!locked()) return;
    // The slider moves once the tempo is three quarters of a ms from it, a quarter past the
    // rounding point: it does not flicker between two values, and it is never further off.
    const double ms = m_tempo.period() * kClocksPerStep / 1e6;
    if (std::abs(ms - m_speed.value()) >= 0.75) m_speed.set(static_cast<int>(std::lround(ms)));
}

}  // namespace tavrilo
