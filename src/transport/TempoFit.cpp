#include "transport/TempoFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrilo {

namespace {

// Errors within the mean jitter plus this much are no drift; a drift beyond three times the
// largest recent error plus this much is a tempo change (a clock stamped to a JACK period has
// errors that come rarely but large, which one error alone must not pass for a change). The
// floors keep an exact clock from seeing changes in rounding noise.
constexpr double kSlackFloor = 50e3;    // ns
constexpr double kChangeFloor = 250e3;  // ns
constexpr int kFewestForScatter = 12;   // two steps of MIDI clock
constexpr int kFewestForJitter = 8;

}  // namespace

void TempoFit::add(double time) {
    if (m_span >= 2) {
        const double error = time - (m_lineAtNewest + m_period);
        if (error > m_period) {
            // The clock paused: the last period stands until a new one is measured.
            m_span = m_errors = 0;
            m_jitter = m_peak = m_driftLate = m_driftEarly = 0;
            m_lateTicks = m_earlyTicks = 0;
        } else {
            // A running mean of the first errors, then a moving one.
            m_errors = std::min(m_errors + 1, 32);
            m_jitter += (std::abs(error) - m_jitter) / m_errors;
            m_peak = std::max(std::abs(error), m_peak * (1 - 1.0 / 64));
            const double slack = m_jitter + kSlackFloor;
            m_driftLate = std::max(0.0, m_driftLate + error - slack);
            m_driftEarly = std::max(0.0, m_driftEarly - error - slack);
            m_lateTicks = m_driftLate > 0 ? m_lateTicks + 1 : 0;
            m_earlyTicks = m_driftEarly > 0 ? m_earlyTicks + 1 : 0;
            const double limit = 3 * m_peak + kChangeFloor;
            if (m_errors >= kFewestForJitter && (m_driftLate > limit || m_driftEarly > limit)) {
                // Keep the ticks since the drift began.
                const int drifting = m_driftLate > limit ? m_lateTicks : m_earlyTicks;
                m_span = std::min(m_span, drifting - 1);
                m_driftLate = m_driftEarly = 0;
                m_lateTicks = m_earlyTicks = 0;
            }
        }
    }
    m_newest = (m_newest + 1) % kMaxSpan;
    m_ticks[m_newest] = time;
    m_span = std::min(m_span + 1, kMaxSpan);
    fit();
}

void TempoFit::fit() {
    m_uncertainty = std::numeric_limits<double>::infinity();
    if (m_span < 2) return;
    // Tick k of the span (0 the oldest) at x = k - mean; times from the oldest, for precision.
    const auto tick = [this](int k) {
        return m_ticks[(m_newest - m_span + 1 + k + kMaxSpan) % kMaxSpan] -
               m_ticks[(m_newest - m_span + 1 + kMaxSpan) % kMaxSpan];
    };
    const double n = m_span, meanX = (n - 1) / 2;
    double meanT = 0;
    for (int k = 0; k < m_span; ++k)
        meanT += tick(k);
    meanT /= n;
    double sxx = 0, sxt = 0;
    for (int k = 0; k < m_span; ++k) {
        sxx += (k - meanX) * (k - meanX);
        sxt += (k - meanX) * (tick(k) - meanT);
    }
    m_period = sxt / sxx;
    m_lineAtNewest = m_ticks[m_newest] - tick(m_span - 1) + meanT + m_period * meanX;
    if (m_span < kFewestForScatter) return;
    double squares = 0;
    for (int k = 0; k < m_span; ++k) {
        const double r = tick(k) - meanT - m_period * (k - meanX);
        squares += r * r;
    }
    m_uncertainty = std::sqrt(squares / (n - 2) / sxx);
}

}  // namespace tavrilo
