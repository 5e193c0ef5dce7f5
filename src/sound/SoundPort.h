#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/Clock.h"
#include "common/Signal.h"

namespace tavrilo {

// What the synthesis tick needs of the sound module: the modulation clock and the two looping
// buffers. UI thread only.
class SoundPort {
public:
    virtual ~SoundPort() = default;

    // Seconds since the program started, monotonic, in single precision.
    virtual float clockSeconds() const = 0;

    // Replaces the whole content of loop `index` (0 or 1) by table[0..359] while it keeps playing.
    // Throws std::out_of_range for another index and std::length_error for a table shorter
    // than one loop; in both cases nothing is written.
    virtual void writeLoop(std::int16_t index, std::span<const std::uint8_t> table) = 0;
};

// The whole sound module as start-up and shut-down use it. UI thread only.
class SoundDevice : public SoundPort {
public:
    // Opens the default device with both loops silent and not yet playing; false when it cannot.
    virtual bool open() = 0;
    // Starts loop `index` (0 or 1) playing for good. The loops start together: the first one
    // started waits for the other, and both then begin at their first byte in the same frame.
    virtual void startLoop(std::int16_t index) = 0;
    // Closes the device, which silences both loops. Harmless when nothing is open.
    virtual void release() = 0;
    // Both loops hold silence and nothing is about to change that: the device may stop
    // streaming it. The next table with sound in it wakes the device before it is heard, both
    // loops going on together as before.
    virtual void rest() = 0;
    // Sound may come soon: a resting device starts opening now, so that the next table is heard
    // as soon as with the device open all along. Nothing to do (and cheap) unless it rests.
    virtual void wake() = 0;
    // How long after a table is handed over it is heard, on average: the wait for the next
    // device period and the device's own buffering. Sources that must be heard on a beat start
    // their steps this much early.
    virtual Nanos outputLatency() const { return Nanos{0}; }

    // What a SoundKeeper watches. Streaming: open, its loops started, the device running.
    // Opening: a device is being opened away from the UI thread (a sound server may take its
    // time). Lost: it should be streaming, but the device stopped or could not be had; only
    // reopen() brings it back. Resting: nothing streams, by choice (rest(), or before startLoop()).
    enum class State { Closed, Resting, Opening, Streaming, Lost };
    virtual State deviceState() const = 0;
    // Device periods mixed so far; goes up while the device streams, whichever device it is.
    virtual std::uint64_t periodsMixed() const = 0;
    // Drops the device, lost or stalled, and starts opening the default one again; it returns at
    // once. If that succeeds the loops go on where they were, else the device is Lost again and
    // lastError() says why.
    virtual void reopen() = 0;
    // Why the last open failed, or empty.
    virtual const std::string& lastError() const = 0;
    // Told on the UI thread whenever deviceState() may have changed, except by the device
    // stopping (the keeper's checks find that) or by reopen() (the keeper's own call).
    Signal<> deviceChanged;
};

}  // namespace tavrilo
