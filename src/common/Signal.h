#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace tavrilo {

// A connection that ends itself: destroying a Subscription (or calling reset()) disconnects its
// slot. A listener that goes away first leaves no dangling callback behind, and a signal that
// goes away first leaves a harmless handle, so lifetimes never depend on member order.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (auto cancel = std::exchange(m_cancel, {})) cancel();
    }

private:
    template <typename...>
    friend class Signal;
    explicit Subscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}

    std::function<void()> m_cancel;
};

// Tells every connected slot, in the order they connected. A slot may connect or disconnect
// slots, itself included, while the signal is being sent: a new slot hears the next sending, a
// removed one is not called again. Single-threaded (the UI thread's models use it).
template <typename... Args>
class Signal {
public:
    using Slot = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription connect(Slot slot) {
        const std::uint64_t id = ++m_state->lastId;
        m_state->entries.push_back({id, std::move(slot)});
        return Subscription([weak = std::weak_ptr<State>(m_state), id] {
            if (const auto state = weak.lock()) state->remove(id);
        });
    }

    void operator()(Args... args) const {
        // Kept alive even if a slot destroys the signal's owner.
        const std::shared_ptr<State> state = m_state;
        ++state->sending;
        // A deque keeps its elements in place while slots are added behind them.
        const std::size_t count = state->entries.size();
        for (std::size_t i = 0; i < count; ++i)
            if (state->entries[i].slot) state->entries[i].slot(args...);
        if (--state->sending == 0) state->compact();
    }

private:
    struct Entry {
        std::uint64_t id;
        Slot slot;
    };
    struct State {
        std::deque<Entry> entries;
        std::uint64_t lastId = 0;
        int sending = 0;
        bool removed = false;

        void remove(std::uint64_t id) {
            for (Entry& e : entries)
                if (e.id == id) e.slot = nullptr;
            removed = true;
            if (sending == 0) compact();
        }
        void compact() {
            if (!std::exchange(removed, false)) return;
            std::erase_if(entries, [](const Entry& e) { return !e.slot; });
        }
    };

    std::shared_ptr<State> m_state = std::make_shared<State>();
};

}  // namespace tavrilo
