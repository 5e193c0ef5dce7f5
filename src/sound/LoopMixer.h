#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "sound/SoundFormat.h"
#include "sound/TripleBuffer.h"

namespace tavrilo {

// Two looping 360-byte tables of unsigned 8-bit samples, mixed at equal weight into signed
// 16-bit mono. Each byte b counts as b - 128, and the sum of both (-256..254) is scaled by 128,
// so two full-swing loops fill the 16-bit range without clipping.
//
// Thread contract: publish() and play() belong to the UI thread; render() belongs to the audio
// thread and never locks, allocates or waits. A published table is picked up at the start of the
// next render() call, so it is heard within one device period, and the loop position carries on
// across the change (no restart, no gap).
class LoopMixer {
public:
    using Table = std::array<std::uint8_t, kLoopBytes>;

    LoopMixer();

    void publish(int voice, std::span<const std::uint8_t, kLoopBytes> table);  // UI thread
    void play(int voice);                                                      // UI thread

    void render(std::int16_t* out, int frames);  // audio thread

private:
    struct Voice {
        TripleBuffer<Table> table;
        std::atomic<bool> playing{false};
        int position = 0;  // audio thread only
        explicit Voice(const Table& silence) : table(silence) {}
    };
    static Table silence();

    std::array<Voice, kSoundBuffers> m_voices;
};

}  // namespace tavrilo
