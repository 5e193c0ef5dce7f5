#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "common/Clock.h"
#include "common/ThreadWake.h"
#include "transport/LinkSession.h"

namespace ableton {
class Link;
}

namespace tavrilo {

// The LinkSession on Ableton's Link library. A Link instance lives from join() to leave(), so
// every join starts afresh: stopped, at the tempo given, with no start/stop state of an earlier
// session to push onto a new one. Link's threads call nothing but `wake`. Link's clock and the
// program's Clock are sampled together at every conversion, so neither has to be the other.
// UI thread only (join and leave are not real-time safe and may take a few milliseconds).
class AbletonLinkSession final : public LinkSession {
public:
    AbletonLinkSession(const Clock& clock, ThreadWake& wake);
    ~AbletonLinkSession() override;
    AbletonLinkSession(const AbletonLinkSession&) = delete;
    AbletonLinkSession& operator=(const AbletonLinkSession&) = delete;

    void join(double bpm) override;
    void leave() override;
    std::size_t peers() const override;
    double tempo() const override;
    void setTempo(double bpm, Nanos at) override;
    double beatAt(Nanos time) const override;
    Nanos timeAt(double beat) const override;
    bool playing() const override;
    Nanos playingSince() const override;
    void setPlaying(bool playing, Nanos at, double beat) override;
    void mapBeatZeroToStart() override;

private:
    std::chrono::microseconds toLink(Nanos time) const;
    Nanos fromLink(std::chrono::microseconds time) const;

    const Clock& m_clock;
    ThreadWake& m_wake;
    std::unique_ptr<ableton::Link> m_link;
};

}  // namespace tavrilo
