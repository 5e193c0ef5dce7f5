#include "transport/AbletonLinkSession.h"

#include <ableton/Link.hpp>

namespace tavrilo {

using std::chrono::microseconds;

AbletonLinkSession::AbletonLinkSession(const Clock& clock, ThreadWake& wake)
    : m_clock(clock), m_wake(wake) {}

AbletonLinkSession::~AbletonLinkSession() { leave(); }

void AbletonLinkSession::join(double bpm) {
    leave();
    m_link = std::make_unique<ableton::Link>(bpm);
    // On Link's threads: only a wake, which neither locks nor allocates.
    m_link->setNumPeersCallback([this](std::size_t) { m_wake.wake(); });
    m_link->setTempoCallback([this](double) { m_wake.wake(); });
    m_link->setStartStopCallback([this](bool) { m_wake.wake(); });
    m_link->enableStartStopSync(true);
    m_link->enable(true);
}

void AbletonLinkSession::leave() {
    if (!m_link) return;
    m_link->enable(false);
    m_link.reset();
}

std::size_t AbletonLinkSession::peers() const { return m_link ? m_link->numPeers() : 0; }

double AbletonLinkSession::tempo() const {
    return m_link ? m_link->captureAppSessionState().tempo() : 0.0;
}

void AbletonLinkSession::setTempo(double bpm, Nanos at) {
    if (!m_link) return;
    auto state = m_link->captureAppSessionState();
    state.setTempo(bpm, toLink(at));
    m_link->commitAppSessionState(state);
}

double AbletonLinkSession::beatAt(Nanos time) const {
    return m_link ? m_link->captureAppSessionState().beatAtTime(toLink(time), kQuantum) : 0.0;
}

Nanos AbletonLinkSession::timeAt(double beat) const {
    return m_link ? fromLink(m_link->captureAppSessionState().timeAtBeat(beat, kQuantum))
                  : Nanos{0};
}

bool AbletonLinkSession::playing() const {
    return m_link && m_link->captureAppSessionState().isPlaying();
}

Nanos AbletonLinkSession::playingSince() const {
    return m_link ? fromLink(m_link->captureAppSessionState().timeForIsPlaying()) : Nanos{0};
}

void AbletonLinkSession::setPlaying(bool playing, Nanos at, double beat) {
    if (!m_link) return;
    auto state = m_link->captureAppSessionState();
    state.setIsPlayingAndRequestBeatAtTime(playing, toLink(at), beat, kQuantum);
    m_link->commitAppSessionState(state);
}

void AbletonLinkSession::mapBeatZeroToStart() {
    if (!m_link) return;
    auto state = m_link->captureAppSessionState();
    state.requestBeatAtStartPlayingTime(0.0, kQuantum);
    m_link->commitAppSessionState(state);
}

microseconds AbletonLinkSession::toLink(Nanos time) const {
    const microseconds linkNow = m_link->clock().micros();
    return linkNow + std::chrono::duration_cast<microseconds>(time - m_clock.now());
}

Nanos AbletonLinkSession::fromLink(microseconds time) const {
    const microseconds linkNow = m_link->clock().micros();
    return m_clock.now() + (time - linkNow);
}

}  // namespace tavrilo
