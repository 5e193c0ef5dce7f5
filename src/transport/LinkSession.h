#pragma once

#include <cstddef>

#include "common/Clock.h"

namespace tavrilo {

// An Ableton Link session as the Link step source sees it: a shared tempo, a beat timeline and a
// start/stop state, on the program's Clock. The implementation runs threads of its own; they
// only ever wake the UI thread (common/ThreadWake.h). Every method here is for the UI thread.
class LinkSession {
public:
    // Bars of four beats: the quantum this program plays with; the first step of a start falls
    // on a bar.
    static constexpr double kQuantum = 4.0;

    virtual ~LinkSession() = default;

    // Joins the network: a session of its own at `bpm`, stopped, until peers bring theirs (this
    // program then takes their tempo, beat and start/stop state, and pushes none of its own).
    virtual void join(double bpm) = 0;
    virtual void leave() = 0;
    virtual std::size_t peers() const = 0;

    // The session's tempo in beats per minute: for display only, never for timing.
    virtual double tempo() const = 0;
    virtual void setTempo(double bpm, Nanos at) = 0;
    // The timeline, both ways.
    virtual double beatAt(Nanos time) const = 0;
    virtual Nanos timeAt(double beat) const = 0;

    virtual bool playing() const = 0;
    // When the session last started or stopped (or was asked to, for a time to come).
    virtual Nanos playingSince() const = 0;
    // Starts or stops every peer. A start maps `beat` to `at`, or with peers to the next time in
    // phase with it, so that beat 0 falls on a bar.
    virtual void setPlaying(bool playing, Nanos at, double beat = 0.0) = 0;
    // After a start seen here (a peer's or our own), beat 0 where it started, in phase.
    virtual void mapBeatZeroToStart() = 0;
};

}  // namespace tavrilo
