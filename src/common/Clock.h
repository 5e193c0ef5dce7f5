#pragma once

#include <chrono>

namespace tavrilo {

using Nanos = std::chrono::nanoseconds;

// Monotonic time since the program started. Everything that measures time (the timer service,
// the modulation clock) reads one of these, so tests can replace it by a SteppedClock.
// Called from the UI thread only; reads must be cheap (the synthesis reads it 361 times a tick).
class Clock {
public:
    virtual ~Clock() = default;
    virtual Nanos now() const = 0;
};

// The real clock: std::chrono::steady_clock, with its origin at construction so that single
// precision seconds keep a fine resolution for hours.
class SteadyClock final : public Clock {
public:
    Nanos now() const override { return std::chrono::steady_clock::now() - m_origin; }

private:
    std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
};

// A clock that only moves when told to; tests and benchmarks step it to exact instants.
class SteppedClock final : public Clock {
public:
    Nanos now() const override { return m_now; }
    void set(Nanos t) { m_now = t; }
    void advance(Nanos dt) { m_now += dt; }

private:
    Nanos m_now{0};
};

}  // namespace tavrilo
