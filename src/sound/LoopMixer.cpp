#include "sound/LoopMixer.h"

#include <algorithm>

namespace tavrilo {
namespace {

LoopMixer::Table silence() {
    LoopMixer::Table t;
    t.fill(kSilentByte);
    return t;
}

}  // namespace

static_assert(kSoundBuffers == 2);
LoopMixer::LoopMixer()
    : m_loops{TripleBuffer<Loop>(Loop{silence(), 0}), TripleBuffer<Loop>(Loop{silence(), 0})},
      m_last{silence(), silence()} {}

void LoopMixer::publish(int voice, std::span<const std::uint8_t, kLoopBytes> table) {
    m_uiThread.check();
    const auto v = static_cast<std::size_t>(voice);
    if (std::equal(table.begin(), table.end(), m_last[v].begin())) return;
    std::copy(table.begin(), table.end(), m_last[v].begin());
    Loop& back = m_loops[v].back();
    std::copy(table.begin(), table.end(), back.bytes.begin());
    back.generation = ++m_published[v];
    m_loops[v].publish();
}

void LoopMixer::play(int voice) {
    m_uiThread.check();
    m_started.fetch_or(1u << voice, std::memory_order_release);
}

std::uint64_t LoopMixer::published(int voice) const {
    return m_published[static_cast<std::size_t>(voice)];
}

bool LoopMixer::silent() const {
    return std::all_of(m_last.begin(), m_last.end(), [](const Table& t) { return isSilence(t); });
}

std::uint64_t LoopMixer::mixed(int voice) const {
    return m_loops[static_cast<std::size_t>(voice)].front().generation;
}

void LoopMixer::render(std::int16_t* out, int frames) {
    for (TripleBuffer<Loop>& loop : m_loops)
        loop.acquire();
    if (m_started.load(std::memory_order_acquire) != kAllLoops) {
        std::fill(out, out + frames, std::int16_t{0});
        return;
    }
    const Table& a = m_loops[0].front().bytes;
    const Table& b = m_loops[1].front().bytes;
    int pos = m_position;
    for (int i = 0; i < frames; ++i) {
        const auto p = static_cast<std::size_t>(pos);
        out[i] = static_cast<std::int16_t>((a[p] + b[p] - 2 * kSilentByte) * 128);
        if (++pos == kLoopBytes) pos = 0;
    }
    m_position = pos;
}

}  // namespace tavrilo
