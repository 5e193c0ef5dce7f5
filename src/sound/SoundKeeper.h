#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>

#include "common/Clock.h"
#include "sound/SoundPort.h"

namespace tavrilo {

// Brings the sound back by itself when the device is lost: the sound server crashed or was
// restarted, the card went away. The device counts as lost when it says so, or when its periods
// stand still for kStall while it streams (SDL's PipeWire back-end reports nothing). The keeper
// then tries to reopen the default device kFirstPause after the loss, and after each failed try
// again twice the last pause after that try began, up to kLongestPause: 0.25, 0.75, 1.75, 3.75,
// 5.75 s ... The loops go on where they were, together; the score and the state never notice.
// When no device comes back within kReportAfter, one line on `log` says so, once per outage.
//
// Its owner calls check() from a timer of its own: at the time check() returns, and whenever the
// device's deviceChanged tells. Nothing is due while the device rests or is closed, so at rest
// the program sleeps. UI thread only, like the device.
class SoundKeeper {
public:
    static constexpr Nanos kWatchPeriod = std::chrono::milliseconds(250);
    static constexpr Nanos kStall = std::chrono::milliseconds(500);
    static constexpr Nanos kFirstPause = std::chrono::milliseconds(250);
    static constexpr Nanos kLongestPause = std::chrono::seconds(2);
    static constexpr Nanos kReportAfter = std::chrono::seconds(10);
    // How often an opening device is looked at until it streams or is lost.
    static constexpr Nanos kOpeningPoll = std::chrono::milliseconds(10);

    SoundKeeper(SoundDevice& device, std::ostream& log) : m_device(device), m_log(log) {}
    SoundKeeper(const SoundKeeper&) = delete;
    SoundKeeper& operator=(const SoundKeeper&) = delete;

    // Looks at the device at `now` and reopens it when a try is due. Returns when it wants the
    // next call; nothing until the device changes.
    std::optional<Nanos> check(Nanos now);
    // Between a loss and the device's return (or its rest).
    bool inOutage() const { return m_outage.has_value(); }

private:
    // Whether the device's periods stood still for kStall up to `now`.
    bool stalled(Nanos now);

    struct Outage {
        Nanos since;
        Nanos nextTry;
        Nanos pause;  // before the try after nextTry
        bool reported = false;
    };

    SoundDevice& m_device;
    std::ostream& m_log;
    std::optional<Outage> m_outage;
    // The period count last seen, and since when, while watching a streaming device.
    bool m_watching = false;
    std::uint64_t m_periods = 0;
    Nanos m_movedAt{0};
};

}  // namespace tavrilo
