#include "sound/SoundKeeper.h"

#include <algorithm>

namespace tavrilo {

bool SoundKeeper::stalled(Nanos now) {
    const std::uint64_t periods = m_device.periodsMixed();
    if (!m_watching || periods != m_periods) {
        m_watching = true;
        m_periods = periods;
        m_movedAt = now;
    }
    return now - m_movedAt >= kStall;
}

std::optional<Nanos> SoundKeeper::check(Nanos now) {
    using State = SoundDevice::State;
    const State state = m_device.deviceState();
    if (state == State::Closed || state == State::Resting) {
        m_outage.reset();
        m_watching = false;
        return std::nullopt;
    }
    const bool opening = state == State::Opening;
    if (opening && !m_outage) return now + kOpeningPoll;  // woken from a rest
    if (state == State::Streaming && !stalled(now)) {
        m_outage.reset();
        return std::min(now + kWatchPeriod, m_movedAt + kStall);
    }
    if (!m_outage) m_outage = Outage{now, now + kFirstPause, 2 * kFirstPause};
    Outage& outage = *m_outage;
    if (!opening && now >= outage.nextTry) {
        m_device.reopen();
        m_watching = false;  // a new device's periods count from its start
        outage.nextTry = now + outage.pause;
        outage.pause = std::min(2 * outage.pause, kLongestPause);
        return now + kOpeningPoll;
    }
    // Not while opening: the device's stderr is quiet then.
    if (!opening && !outage.reported && now - outage.since >= kReportAfter) {
        m_log << "Tavrilo Synth: no sound device for "
              << std::chrono::duration_cast<std::chrono::seconds>(kReportAfter).count() << " s ("
              << m_device.lastError() << "); still trying" << std::endl;
        outage.reported = true;
    }
    const Nanos next = opening ? now + kOpeningPoll : outage.nextTry;
    return outage.reported ? next : std::min(next, outage.since + kReportAfter);
}

}  // namespace tavrilo
