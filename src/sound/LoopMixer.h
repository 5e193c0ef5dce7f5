#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "common/UiThread.h"
#include "sound/SoundFormat.h"
#include "sound/TripleBuffer.h"

namespace tavrilo {

// Two looping 360-byte tables of unsigned 8-bit samples, mixed at equal weight into signed
// 16-bit mono. Each byte b counts as b - 128, and the sum of both (-256..254) is scaled by 128,
// so two full-swing loops fill the 16-bit range without clipping.
//
// Both loops have the same length and start in the same frame, so they share one loop position:
// a loop started alone waits, silent, until the other is started too.
//
// Thread contract: publish() and play() belong to the UI thread; render() belongs to the audio
// thread and never locks, allocates or waits. A published table is picked up at the start of the
// next render() call, so it is heard within one device period, and the loop position carries on
// across the change (no restart, no gap).
class LoopMixer {
public:
    using Table = std::array<std::uint8_t, kLoopBytes>;

    LoopMixer();

    // A table the same as the last one published to its loop changes nothing and is dropped.
    void publish(int voice, std::span<const std::uint8_t, kLoopBytes> table);  // UI thread
    void play(int voice);                                                      // UI thread
    // How many tables the UI thread has published to `voice` so far.
    std::uint64_t published(int voice) const;  // UI thread
    // Whether the last tables published to both loops are silence.
    bool silent() const;  // UI thread

    void render(std::int16_t* out, int frames);  // audio thread
    // Which of the published tables (1 the first) the last render() mixed; 0 the silent start.
    std::uint64_t mixed(int voice) const;  // audio thread

private:
    struct Loop {
        Table bytes;
        std::uint64_t generation = 0;
    };
    static constexpr unsigned kAllLoops = (1u << kSoundBuffers) - 1;

    std::array<TripleBuffer<Loop>, kSoundBuffers> m_loops;
    std::array<std::uint64_t, kSoundBuffers> m_published{};  // UI thread only
    std::array<Table, kSoundBuffers> m_last;                 // UI thread only
    std::atomic<unsigned> m_started{0};                      // one bit per loop
    int m_position = 0;                                      // audio thread only
    UiThreadAffinity m_uiThread;
};

}  // namespace tavrilo
