#include "transport/TimerService.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace tavrilo {

TimerService::Timer::Timer(TimerService& owner, int intervalMs, bool enabled, Handler handler)
    : m_owner(&owner),
      m_intervalMs(intervalMs),
      m_enabled(enabled),
      m_anchor(owner.m_clock.now()),
      m_handler(std::move(handler)) {}

Nanos TimerService::Timer::period() const {
    return std::max<Nanos>(std::chrono::milliseconds(m_intervalMs), kGranularity);
}

std::optional<Nanos> TimerService::Timer::deadline() const {
    if (!m_enabled) return std::nullopt;
    if (m_once) return m_once;
    if (m_intervalMs <= 0) return std::nullopt;
    if (period() > kGranularity) return m_anchor + period();
    return (m_anchor / kGranularity + 1) * kGranularity;  // the next point of the grid
}

void TimerService::Timer::setInterval(int ms) {
    ms = std::max(ms, 0);
    if (ms == m_intervalMs) return;
    if (m_intervalMs == 0) m_anchor = m_owner->m_clock.now();
    m_intervalMs = ms;
    m_owner->deadlinesMoved();
}

void TimerService::Timer::setEnabled(bool enabled) {
    if (!enabled) m_once.reset();
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    if (enabled) m_anchor = m_owner->m_clock.now();
    m_owner->deadlinesMoved();
}

void TimerService::Timer::startAt(Nanos first) {
    m_once.reset();
    m_enabled = true;
    m_anchor = first - period();
    m_owner->deadlinesMoved();
}

void TimerService::Timer::fireAt(Nanos when) {
    m_once = when;
    m_enabled = true;
    m_owner->deadlinesMoved();
}

TimerService::Timer& TimerService::create(int intervalMs, bool enabled, Handler handler) {
    if (m_timers.size() >= 64) throw std::length_error("too many timers");
    m_timers.push_back(std::unique_ptr<Timer>(
        new Timer(*this, std::max(intervalMs, 0), enabled, std::move(handler))));
    deadlinesMoved();
    return *m_timers.back();
}

std::optional<Nanos> TimerService::nextDeadline() const {
    std::optional<Nanos> earliest;
    for (const auto& timer : m_timers) {
        const auto d = timer->deadline();
        if (d && (!earliest || *d < *earliest)) earliest = d;
    }
    return earliest;
}

void TimerService::dispatchDue() {
    const Nanos now = m_clock.now();
    std::uint64_t fired = 0;  // one bit per timer: each fires at most once per call
    for (;;) {
        Timer* due = nullptr;
        std::size_t dueIndex = 0;
        for (std::size_t i = 0; i < m_timers.size(); ++i) {
            const auto d = m_timers[i]->deadline();
            if ((fired >> i) & 1U || !d || *d > now) continue;
            if (!due || *d < *due->deadline()) {
                due = m_timers[i].get();
                dueIndex = i;
            }
        }
        if (!due) break;
        fired |= std::uint64_t{1} << dueIndex;
        // The next period starts at the deadline just met; after a stall longer than a whole
        // period the missed ticks are dropped, as a platform timer drops them.
        const Nanos deadline = *due->deadline();
        due->m_anchor = deadline;
        if (due->m_once) {
            due->m_once.reset();
            due->m_enabled = false;
        } else if (due->m_anchor + due->period() <= now) {
            due->m_anchor = now;
        }
        if (!due->m_handler) continue;
        if (!m_observer) {
            due->m_handler();
            continue;
        }
        const Nanos started = m_clock.now();
        due->m_handler();
        m_observer({due, deadline, started, m_clock.now()});
    }
    deadlinesMoved();
}

void TimerService::runUntil(SteppedClock& clock, Nanos until) {
    for (auto d = nextDeadline(); d && *d <= until; d = nextDeadline()) {
        clock.set(std::max(*d, clock.now()));
        dispatchDue();
    }
    clock.set(until);
}

}  // namespace tavrilo
