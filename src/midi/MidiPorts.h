#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/Clock.h"
#include "midi/MidiEvent.h"

namespace tavrilo {

// Where stamped MIDI goes. `due` is on the program's Clock; the port sends the bytes then (one
// complete message per call), or at once when that time has passed. Messages leave in the order
// sent. UI thread only.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;
    virtual void send(Nanos due, std::span<const std::uint8_t> message) = 0;
};

// The MIDI ports as the instrument sees them: events in, stamped messages out. UI thread only.
class MidiPorts : public MidiOutput {
public:
    // False when there is no MIDI system at all; then nothing ever comes in and sends go nowhere.
    virtual bool available() const = 0;
    // What the menu shows: the systems in use ("ALSA", "JACK", "ALSA and JACK"), or
    // "unavailable".
    virtual std::string description() const = 0;
    // Whether some other program is connected to an input port (the sound device may rest only
    // while none is, or a note could come while it sleeps).
    virtual bool inputConnected() const = 0;
    // The events that came in, oldest first: up to into.size() of them; returns how many. Call
    // it when the UI thread is woken; if more are waiting, it is woken again.
    virtual std::size_t drain(std::span<MidiEvent> into) = 0;
};

}  // namespace tavrilo
