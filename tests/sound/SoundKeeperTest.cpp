#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "sound/SoundKeeper.h"
#include "support/Fakes.h"

namespace tavrilo {
namespace {

using namespace std::chrono_literals;
using State = SoundDevice::State;

// A device whose server goes away at 2 s and answers again from `serverBack` on.
struct Device : test::FakeSound {
    Device(const Clock& clock, bool stall) : FakeSound(clock), stall(stall) { error = "gone"; }
    bool stall;  // it stops calling back, SDL saying nothing; else SDL says it is lost
    Nanos serverBack{};
    Nanos lastPeriodAt{0};
    Nanos openedAt{0};  // a try takes 5 ms
    State state = State::Streaming;
    std::vector<Nanos> tries;

    State deviceState() const override { return clock.now() < openedAt ? State::Opening : state; }
    std::uint64_t periodsMixed() const override { return lastPeriodAt / 10ms; }
    void reopen() override {
        tries.push_back(clock.now());
        openedAt = clock.now() + 5ms;
        state = clock.now() >= serverBack ? State::Streaming : State::Lost;
    }
};

// Lost, the device is tried 0.25, 0.75, 1.75, 3.75 s after the loss is found and every 2 s from
// there until it comes back; then it is only watched. Ten seconds into the outage one line says
// so, once. At rest nothing is watched.
TEST(SoundKeeper, TriesAfterGrowingPausesUntilTheDeviceIsBackAndSaysSoOnceAfterTenSeconds) {
    for (const bool stall : {false, true}) {
        SCOPED_TRACE(stall ? "its periods stood still" : "SDL said it was lost");
        SteppedClock clock;
        Device device(clock, stall);
        // Found at once when SDL says so; when the periods stop, half a second after the last.
        const Nanos found = stall ? 2500ms : 2s;
        device.serverBack = found + 11s;
        std::ostringstream log;
        SoundKeeper keeper(device, log);
        for (Nanos t{0}; t < 20s;) {
            clock.set(t);
            const bool up = t <= 2s || (device.state == State::Streaming && !device.tries.empty());
            if (!stall && t >= 2s && device.tries.empty()) device.state = State::Lost;
            if (up || !stall) device.lastPeriodAt = t;
            ASSERT_TRUE(t >= found + 10s || log.str().empty()) << t.count();
            const auto next = keeper.check(t);
            ASSERT_TRUE(next && *next > t && *next <= t + 2s) << t.count();
            t = *next;
        }
        std::vector<Nanos> expected;
        for (const Nanos after : {250ms, 750ms, 1750ms, 3750ms, 5750ms, 7750ms, 9750ms, 11750ms})
            expected.push_back(found + after);
        EXPECT_EQ(device.tries, expected);
        EXPECT_FALSE(keeper.inOutage());
        EXPECT_EQ(std::ranges::count(log.str(), '\n'), 1) << log.str();
        EXPECT_NE(log.str().find("(gone)"), std::string::npos) << log.str();
        device.state = State::Resting;
        EXPECT_FALSE(keeper.check(20s));
    }
}

}  // namespace
}  // namespace tavrilo
