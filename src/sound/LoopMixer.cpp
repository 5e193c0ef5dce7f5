#include "sound/LoopMixer.h"

#include <algorithm>

namespace tavrilo {

LoopMixer::Table LoopMixer::silence() {
    Table t;
    t.fill(kSilentByte);
    return t;
}

LoopMixer::LoopMixer() : m_voices{Voice(silence()), Voice(silence())} {}

void LoopMixer::publish(int voice, std::span<const std::uint8_t, kLoopBytes> table) {
    TripleBuffer<Table>& buffer = m_voices[static_cast<std::size_t>(voice)].table;
    std::copy(table.begin(), table.end(), buffer.back().begin());
    buffer.publish();
}

void LoopMixer::play(int voice) {
    m_voices[static_cast<std::size_t>(voice)].playing.store(true, std::memory_order_release);
}

void LoopMixer::render(std::int16_t* out, int frames) {
    std::fill(out, out + frames, std::int16_t{0});
    for (Voice& voice : m_voices) {
        voice.table.acquire();
        if (!voice.playing.load(std::memory_order_acquire)) continue;
        const Table& table = voice.table.front();
        int pos = voice.position;
        for (int i = 0; i < frames; ++i) {
            out[i] = static_cast<std::int16_t>(out[i] +
                                               (table[static_cast<std::size_t>(pos)] - 128) * 128);
            if (++pos == kLoopBytes) pos = 0;
        }
        voice.position = pos;
    }
}

}  // namespace tavrilo
