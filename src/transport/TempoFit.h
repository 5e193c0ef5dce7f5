#pragma once

#include <array>
#include <limits>

namespace tavrilo {

// Measures the period of a clock from the times its ticks came, as a delay-locked loop would but
// without its compromise between following and smoothing: a least-squares line through the last
// ticks, up to four beats of MIDI clock. Its errors are watched, and when they drift one way (a
// tempo change), the ticks from before the drift are let go, so it follows a new tempo within a
// beat, while a steady clock's jitter averages out over the whole span. A tick that comes more
// than a period late (the clock paused) starts it afresh. Times in ns; UI thread only.
class TempoFit {
public:
    static constexpr int kMaxSpan = 96;

    void add(double time);

    // The period, 0 until two ticks came.
    double period() const { return m_period; }
    // The standard error of the period, from the scatter of the ticks about the line; infinite
    // until twelve ticks came.
    double uncertainty() const { return m_uncertainty; }

private:
    void fit();

    std::array<double, kMaxSpan> m_ticks{};  // a ring, the newest at m_newest
    int m_newest = -1;
    int m_span = 0;
    double m_period = 0;
    double m_lineAtNewest = 0;
    double m_uncertainty = std::numeric_limits<double>::infinity();
    double m_jitter = 0;                       // mean absolute error of the predictions
    int m_errors = 0;                          // errors in that mean, up to 32
    double m_peak = 0;                         // the largest absolute error, fading over 64 ticks
    double m_driftLate = 0, m_driftEarly = 0;  // one-sided sums of the errors beyond the jitter
    int m_lateTicks = 0, m_earlyTicks = 0;     // ticks since each drift began
};

}  // namespace tavrilo
