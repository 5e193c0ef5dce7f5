#include "midi/MidiEvent.h"

namespace tavrilo {

std::optional<MidiEvent> midiEvent(std::span<const std::uint8_t> message, Nanos time) {
    if (message.empty()) return std::nullopt;
    MidiEvent e;
    e.time = time;
    const std::uint8_t status = message[0];
    if ((status & 0xF0) == 0x90 && message.size() == 3 && message[2] > 0) {
        e.type = MidiEvent::Type::NoteOn;
        e.channel = status & 0x0F;
        e.note = message[1];
        e.velocity = message[2];
        return e;
    }
    switch (status) {
        case 0xF8: e.type = MidiEvent::Type::Clock; return e;
        case 0xFA: e.type = MidiEvent::Type::Start; return e;
        case 0xFB: e.type = MidiEvent::Type::Continue; return e;
        case 0xFC: e.type = MidiEvent::Type::Stop; return e;
        case 0xF2:
            if (message.size() != 3) return std::nullopt;
            e.type = MidiEvent::Type::SongPosition;
            e.position = static_cast<std::uint16_t>(message[1] | message[2] << 7);
            return e;
        default: return std::nullopt;
    }
}

std::optional<std::int16_t> pitchForNote(int note) {
    constexpr int kLowest = 48;  // C3, pitch 1
    if (note < kLowest || note >= kLowest + 24) return std::nullopt;
    return static_cast<std::int16_t>(note - kLowest + 1);
}

}  // namespace tavrilo
