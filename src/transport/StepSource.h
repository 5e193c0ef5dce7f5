#pragma once

#include <optional>

#include "common/Clock.h"
#include "sound/SoundPort.h"
#include "transport/TimerService.h"

namespace tavrilo {

// When a step is heard and how long it lasts, on the program's Clock. `heard` is when the step's
// sound is meant to leave the speaker (the source has already allowed for the output latency);
// `period` is the time until the next step, 0 when the source cannot know it yet.
struct StepTiming {
    Nanos heard{0};
    Nanos period{0};
};

// How long after its tick a step is heard, on average: the sound's output latency, and half a
// 64 Hz tick, the wait of a note from silence for the attack ramp's first tick.
inline Nanos stepLead(const SoundDevice& sound) {
    return sound.outputLatency() + TimerService::kGranularity / 2;
}

// The transport a step source moves: the step clock. UI thread only.
class StepTransport {
public:
    virtual ~StepTransport() = default;
    // Running from the first step: the next step() plays step 0.
    virtual void play() = 0;
    // Running from the step where it stopped.
    virtual void resume() = 0;
    // Not running; a sounding note runs out through its envelope.
    virtual void stop() = 0;
    // The step the next step() plays, wrapped into the sequence; for a position set from
    // outside (a song position pointer) or for steps skipped after a stall.
    virtual void locate(int step) = 0;
    virtual void skip(int steps) = 0;
    // One step tick: the step is processed, the clock moves on, and the step is heard at once.
    virtual void step(const StepTiming& timing) = 0;
    virtual bool running() const = 0;
    virtual int currentStep() const = 0;
};

// Who moves the step clock: the internal timer, Ableton Link, a MIDI clock. One source is
// active at a time; it alone calls the transport's step(). The user's play, stop and tempo reach
// the active source, which decides what they mean: the internal source obeys at once, a shared
// session passes them on and follows the session, a MIDI clock follower waits for its master.
// UI thread only.
class StepSource {
public:
    virtual ~StepSource() = default;

    // This source takes over the transport, or gives it up. Switching leaves a running sequence
    // running without a jump: the source that gives up says when its next step was to be heard,
    // and the one that takes over plays that step then, if it can.
    virtual void activate(const std::optional<StepTiming>& next) = 0;
    virtual std::optional<StepTiming> deactivate() = 0;

    // The user pressed play or stop here.
    virtual void requestPlay() = 0;
    virtual void requestStop() = 0;
    // The user moved the Speed slider: the step period in ms.
    virtual void requestTempo(int msPerStep) = 0;

    // Following its clock: false while an outside clock is missing or not yet measured.
    virtual bool locked() const { return true; }
};

}  // namespace tavrilo
