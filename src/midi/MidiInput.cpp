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
    // Either this exchange comes first and the drain's exchange, reading it, sees these events;
    // or it comes after the drain's and finds the flag cleared, and wakes the UI thread.
    if (!m_wakePending.exchange(true, std::memory_order_acq_rel)) m_wake.wake();
}

std::size_t MidiInput::drain(std::span<MidiEvent> into) noexcept {
    m_wakePending.exchange(false, std::memory_order_acq_rel);
    std::size_t n = 0;
    while (n < into.size() && m_queue.pop(into[n]))
        ++n;
    if (n == into.size() && m_queue.front() != nullptr && !m_wakePending.exchange(true))
        m_wake.wake();
    return n;
}

}  // namespace tavrilo
