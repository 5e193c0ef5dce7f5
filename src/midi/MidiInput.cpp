#include "midi/MidiInput.h"

namespace tavrilo {

void MidiInput::receive(std::span<const std::uint8_t> bytes, Nanos time) noexcept {
    for (const std::uint8_t byte : bytes) {
        const auto event = midiEvent(m_parser.push(byte), time);
        if (!event) continue;
        if (m_queue.push(*event))
            m_pushed = true;
        else
            m_dropped.fetch_add(1, std::memory_order_relaxed);
    }
}

void MidiInput::endBatch() noexcept {
    if (!m_pushed) return;
    m_pushed = false;
    // Pairs with the fence in drain(): either the UI thread's drain sees these events, or this
    // exchange sees its cleared flag and wakes it.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!m_wakePending.exchange(true)) m_wake.wake();
}

std::size_t MidiInput::drain(std::span<MidiEvent> into) noexcept {
    m_wakePending.store(false);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    std::size_t n = 0;
    while (n < into.size() && m_queue.pop(into[n]))
        ++n;
    if (n == into.size() && m_queue.front() != nullptr && !m_wakePending.exchange(true))
        m_wake.wake();
    return n;
}

}  // namespace tavrilo
