#pragma once

#include <atomic>
#include <memory>
#include <span>
#include <thread>

#include "common/Clock.h"
#include "common/ThreadWake.h"
#include "midi/MidiEvent.h"

namespace tavrilo {

// The JACK client "Tavrilo Synth" with the MIDI ports "in" and "out". JACK's process thread stamps
// each incoming event with the time of its frame and hands it to the UI thread through a
// MidiInput; outgoing messages come from the UI thread through a lock-free queue and are placed
// at the frame of their due time (late ones at the start of the cycle). When the server goes
// away, a watcher thread closes the client and opens it again once a server answers; nothing
// waits for that but the destructor, at most a second (a close that hangs inside libjack is left
// to its thread).
class JackMidiPort {
public:
    // Null when no JACK server runs; never starts one.
    static std::unique_ptr<JackMidiPort> open(ThreadWake& wake, Nanos steadyToProgram);
    ~JackMidiPort();
    JackMidiPort(const JackMidiPort&) = delete;
    JackMidiPort& operator=(const JackMidiPort&) = delete;

    // UI thread.
    bool serverRunning() const;
    bool inputConnected() const;
    std::size_t drain(std::span<MidiEvent> into);
    // A message of 1 to 3 bytes (longer ones are not sent).
    void send(Nanos due, std::span<const std::uint8_t> message);

    struct Shared;

private:
    explicit JackMidiPort(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_watcher;
};

}  // namespace tavrilo
