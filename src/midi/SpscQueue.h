#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace tavrilo {

// A fixed-capacity queue from one producer thread to one consumer thread, without locks or
// allocation (the storage is part of the object): neither side ever waits. Capacity is a power
// of two; a push into a full queue fails and leaves the queue as it was.
template <typename T, std::size_t Capacity>
class SpscQueue {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    // Producer side.
    bool push(const T& value) noexcept {
        const std::size_t w = m_write.load(std::memory_order_relaxed);
        if (w - m_read.load(std::memory_order_acquire) == Capacity) return false;
        m_slots[w & (Capacity - 1)] = value;
        m_write.store(w + 1, std::memory_order_release);
        return true;
    }

    // Consumer side.
    bool pop(T& value) noexcept {
        const std::size_t r = m_read.load(std::memory_order_relaxed);
        if (r == m_write.load(std::memory_order_acquire)) return false;
        value = m_slots[r & (Capacity - 1)];
        m_read.store(r + 1, std::memory_order_release);
        return true;
    }
    // The oldest value, left in the queue, or null.
    const T* front() const noexcept {
        const std::size_t r = m_read.load(std::memory_order_relaxed);
        if (r == m_write.load(std::memory_order_acquire)) return nullptr;
        return &m_slots[r & (Capacity - 1)];
    }

private:
    std::array<T, Capacity> m_slots{};
    // Counters that only grow; their difference is the fill. Apart, so the two sides do not
    // share a cache line.
    alignas(64) std::atomic<std::size_t> m_write{0};
    alignas(64) std::atomic<std::size_t> m_read{0};
    static_assert(std::atomic<std::size_t>::is_always_lock_free);
};

}  // namespace tavrilo
