#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "common/ThreadWake.h"
#include "midi/MidiEvent.h"
#include "midi/MidiParser.h"
#include "midi/SpscQueue.h"

namespace tavrilo {

// One input port's way from its MIDI thread to the UI thread: bytes → parser → events → queue,
// and one wake of the UI thread per batch. A full queue drops new events and counts them; nothing
// allocates after construction.
class MidiInput {
public:
    static constexpr std::size_t kCapacity = 1024;  // a tenth of a second of a 10 kHz flood

    explicit MidiInput(ThreadWake& wake) : m_wake(wake) {}
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // MIDI thread: bytes of the port's stream, all stamped `time` on the program's clock; a
    // message may be split across calls. Then endBatch() once for what one wake-up covers
    // (a JACK cycle, an RtMidi callback): it wakes the UI thread unless a wake is pending.
    void receive(std::span<const std::uint8_t> bytes, Nanos time) noexcept;
    void endBatch() noexcept;

    // UI thread: moves up to into.size() events into `into`, oldest first, and returns how many.
    // When more are left it wakes the UI thread again, so that a flood is taken in slices
    // between the window's other events rather than in one long drain.
    std::size_t drain(std::span<MidiEvent> into) noexcept;

    // Events lost to a full queue since construction; any thread.
    std::uint64_t dropped() const noexcept { return m_dropped.load(std::memory_order_relaxed); }

private:
    ThreadWake& m_wake;
    MidiParser m_parser;    // MIDI thread only
    bool m_pushed = false;  // MIDI thread only: an event since the last endBatch()
    SpscQueue<MidiEvent, kCapacity> m_queue;
    // Set by the producer when it wakes the UI thread, cleared by the UI thread before it
    // drains: a wake is skipped only while a drain is still to come.
    std::atomic<bool> m_wakePending{false};
    std::atomic<std::uint64_t> m_dropped{0};
};

}  // namespace tavrilo
