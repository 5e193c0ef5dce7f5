#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "common/Clock.h"
#include "common/Signal.h"

namespace tavrilo {

// The main window's timers: each has a millisecond interval and an enabled flag, and its ticks
// are delivered on the UI thread, one handler at a time, on absolute deadlines so that a late
// tick does not push the later ones back.
//
// The platform delivers timer ticks no faster than every 15.625 ms (64 Hz), so a timer's period
// is max(interval, kGranularity), and a timer that fast ticks on the platform's 64 Hz grid, the
// multiples of kGranularity, as a clock interrupt delivers it: the synthesis tick and the
// envelope ramps tick together, in one wake-up. The ramps count in ticks at their 1 ms interval,
// and this granularity gives a note the length the sound was tuned for. An interval of 0 never
// fires.
class TimerService {
public:
    static constexpr Nanos kGranularity{15'625'000};
    using Handler = std::function<void()>;

    class Timer {
    public:
        int interval() const { return m_intervalMs; }
        bool enabled() const { return m_enabled; }
        // A new interval applies from the tick in progress: the next tick comes one new period
        // after the last one (at once if that time has passed). From interval 0 it counts from now.
        void setInterval(int ms);
        // Enabling a stopped timer starts its count from now; enabling a running one changes
        // nothing. Disabling also cancels a pending fireAt().
        void setEnabled(bool enabled);
        // One tick at `when` exactly (at once if it has passed), then the timer stops, unless its
        // handler asks for another. For deadlines that follow an outside timeline, not an interval.
        void fireAt(Nanos when);
        // Running, with its next tick at `first` and the interval from there.
        void startAt(Nanos first);

        // The start of the period now running: inside a handler, the deadline just met (or now,
        // after a stall that dropped ticks).
        Nanos lastTick() const { return m_anchor; }

        std::optional<Nanos> deadline() const;
        Nanos period() const;

    private:
        friend class TimerService;
        Timer(TimerService& owner, int intervalMs, bool enabled, Handler handler);

        TimerService* m_owner;
        int m_intervalMs;
        bool m_enabled;
        Nanos m_anchor;               // start of the period now running
        std::optional<Nanos> m_once;  // a fireAt() deadline
        Handler m_handler;
    };

    explicit TimerService(const Clock& clock) : m_clock(clock) {}
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

    // Timers live as long as the service; the reference stays valid. At most 64 timers.
    Timer& create(int intervalMs, bool enabled, Handler handler);

    const Clock& clock() const { return m_clock; }

    // The earliest deadline of any running timer.
    std::optional<Nanos> nextDeadline() const;

    // Runs every timer that is due now, earliest deadline first (ties in creation order), each at
    // most once. A handler may change any timer, itself included.
    void dispatchDue();

    // Told whenever a deadline may have moved, so a driver can re-arm its wake-up.
    Signal<> deadlinesMoved;

    // For measurements: told of every tick with its deadline and when its handler started and
    // finished. Costs nothing while unset.
    struct Dispatch {
        const Timer* timer;
        Nanos deadline;
        Nanos started;
        Nanos finished;
    };
    void setDispatchObserver(std::function<void(const Dispatch&)> observer) {
        m_observer = std::move(observer);
    }

    // For tests and measurements on a SteppedClock: steps the clock to each deadline up to
    // `until` in turn and dispatches there, then leaves the clock at `until`.
    void runUntil(SteppedClock& clock, Nanos until);

private:
    const Clock& m_clock;
    std::vector<std::unique_ptr<Timer>> m_timers;
    std::function<void(const Dispatch&)> m_observer;
};

}  // namespace tavrilo
