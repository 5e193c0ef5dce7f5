#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace tavrilo {

// Hands whole values from one writer thread to one reader thread without locks: the writer
// fills its back slot and publishes it; the reader takes the newest published slot when it
// wants one. Neither side ever waits, and the reader never sees a half-written value.
template <typename T>
class TripleBuffer {
public:
    explicit TripleBuffer(const T& initial = T{}) { m_slots.fill(initial); }

    // Writer side.
    T& back() { return m_slots[m_back]; }
    void publish() {
        m_back = m_middle.exchange(static_cast<std::uint8_t>(m_back | kFresh),
                                   std::memory_order_acq_rel) &
                 kIndexMask;
    }

    // Reader side: switches to the newest published value, if any; true when it switched.
    bool acquire() {
        if ((m_middle.load(std::memory_order_relaxed) & kFresh) == 0) return false;
        m_front = m_middle.exchange(m_front, std::memory_order_acq_rel) & kIndexMask;
        return true;
    }
    const T& front() const { return m_slots[m_front]; }

private:
    static constexpr std::uint8_t kFresh = 0x4;
    static constexpr std::uint8_t kIndexMask = 0x3;

    std::array<T, 3> m_slots;
    std::uint8_t m_back = 0;                // writer only
    std::atomic<std::uint8_t> m_middle{1};  // shared
    std::uint8_t m_front = 2;               // reader only
    static_assert(std::atomic<std::uint8_t>::is_always_lock_free);
};

}  // namespace tavrilo
