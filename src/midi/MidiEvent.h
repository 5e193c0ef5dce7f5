#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/Clock.h"

namespace tavrilo {

// The MIDI messages the instrument uses, stamped on the program's Clock with the time the
// message arrived (or, from JACK, the time of its frame). 16 bytes, trivially copyable, so that
// queues of them never allocate.
struct MidiEvent {
    enum class Type : std::uint8_t { NoteOn, Clock, Start, Continue, Stop, SongPosition };

    Nanos time{0};
    Type type = Type::Clock;
    std::uint8_t channel = 0;    // NoteOn: 0..15
    std::uint8_t note = 0;       // NoteOn: 0..127
    std::uint8_t velocity = 0;   // NoteOn: 1..127 (a note-on at velocity 0 is a note-off)
    std::uint16_t position = 0;  // SongPosition: in sixteenth notes, 0..16383
};

// The event of one complete message as the parser gives it, or nothing for a message the
// instrument ignores (note-off, controllers, system exclusive, active sensing...).
std::optional<MidiEvent> midiEvent(std::span<const std::uint8_t> message, Nanos time);

// The pitch index (1..24) a note plays, as the 24 note keys do: notes 48 (C3) to 71 (B4); other
// notes play nothing.
std::optional<std::int16_t> pitchForNote(int note);

}  // namespace tavrilo
