#include "midi/MidiSystem.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "midi/AlsaMidiPort.h"
#include "midi/JackMidiPort.h"

namespace tavrilo {

namespace {

// The program's clock minus steady_clock, which the MIDI threads read: the program's clock may
// only be read here, on the UI thread. Reading it first, then steady_clock, errs by the time
// between the two reads, always the same way; the largest of a few readings errs least.
Nanos steadyToProgram(const Clock& clock) {
    Nanos best = Nanos::min();
    for (int i = 0; i < 5; ++i) {
        const Nanos program = clock.now();
        best = std::max(best, program - std::chrono::steady_clock::now().time_since_epoch());
    }
    return best;
}

}  // namespace

MidiSystem::MidiSystem(const Clock& clock, ThreadWake& wake) : m_clock(clock), m_wake(wake) {
    const Nanos offset = steadyToProgram(clock);
    m_alsa = AlsaMidiPort::open(wake, offset);
    m_jack = JackMidiPort::open(wake, offset);
}

MidiSystem::~MidiSystem() {
    // The ALSA queue goes with its client, and JACK sends a message in the cycle of its due time
    // (5.3 ms at 256 frames and 48 kHz). The wait is at most a step's clocks at the slowest tempo.
    const Nanos wait = m_lastDue + std::chrono::milliseconds(10) - m_clock.now();
    if (available() && wait > Nanos{0})
        std::this_thread::sleep_for(std::min<Nanos>(wait, std::chrono::milliseconds(1500)));
}

bool MidiSystem::available() const { return m_alsa || m_jack; }

std::string MidiSystem::description() const {
    std::string jack = m_jack && !m_jack->serverRunning() ? "JACK (server gone)" : "JACK";
    if (m_alsa && m_jack) return "ALSA and " + jack;
    if (m_alsa) return "ALSA";
    if (m_jack) return jack;
    return "unavailable";
}

bool MidiSystem::inputConnected() const {
    return (m_alsa && m_alsa->inputConnected()) || (m_jack && m_jack->inputConnected());
}

std::size_t MidiSystem::drain(std::span<MidiEvent> into) {
    std::size_t n = m_alsa ? m_alsa->drain(into) : 0;
    if (n == into.size() && m_jack) {
        m_wake.wake();  // JACK's events wait for the next drain, which its own wake may not bring
        return n;
    }
    if (m_jack) n += m_jack->drain(into.subspan(n));
    return n;
}

void MidiSystem::send(Nanos due, std::span<const std::uint8_t> message) {
    m_lastDue = std::max(m_lastDue, due);
    if (m_alsa) m_alsa->send(due, message);
    if (m_jack) m_jack->send(due, message);
}

}  // namespace tavrilo
