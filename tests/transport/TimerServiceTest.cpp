#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/TimerService.h"

namespace tavrilo {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr Nanos kTick = TimerService::kGranularity;  // 15.625 ms

struct Recorder {
    SteppedClock clock;
    TimerService service{clock};
    std::vector<std::pair<std::string, Nanos>> fired;

    TimerService::Timer& add(const std::string& name, int interval, bool enabled) {
        return service.create(interval, enabled,
                              [this, name] { fired.emplace_back(name, clock.now()); });
    }
    std::vector<Nanos> timesOf(const std::string& name) const {
        std::vector<Nanos> t;
        for (const auto& [n, at] : fired)
            if (n == name) t.push_back(at);
        return t;
    }
};

// A period is max(interval, 15.625 ms): short intervals tick at the platform's 64 Hz.
TEST(TimerService, PeriodIsTheIntervalButNeverBelowTheGranularity) {
    struct Case {
        int interval;
        Nanos period;
    } cases[] = {{1, kTick},
                 {15, kTick},
                 {16, milliseconds(16)},
                 {50, milliseconds(50)},
                 {200, milliseconds(200)},
                 {1600, milliseconds(1600)}};
    for (const Case& c : cases) {
        Recorder r;
        r.add("t", c.interval, true);
        r.service.runUntil(r.clock, c.period * 10);
        const auto times = r.timesOf("t");
        ASSERT_EQ(times.size(), 10u) << "interval " << c.interval;
        for (std::size_t i = 0; i < times.size(); ++i)
            EXPECT_EQ(times[i], c.period * static_cast<int>(i + 1)) << "interval " << c.interval;
    }
}

TEST(TimerService, IntervalZeroNeverFiresUntilAnIntervalIsSet) {
    Recorder r;
    auto& t = r.add("t", 0, true);
    r.service.runUntil(r.clock, milliseconds(1000));
    EXPECT_TRUE(r.fired.empty());
    EXPECT_FALSE(r.service.nextDeadline().has_value());
    // Counting starts when the interval is set, not when the timer was created.
    t.setInterval(1);
    r.service.runUntil(r.clock, milliseconds(1000) + kTick);
    ASSERT_EQ(r.timesOf("t").size(), 1u);
    EXPECT_EQ(r.timesOf("t")[0], milliseconds(1000) + kTick);
}

// A late dispatch does not shift the grid: the next tick keeps its absolute deadline.
TEST(TimerService, LateTicksDoNotDrift) {
    Recorder r;
    r.add("t", 50, true);
    r.clock.set(milliseconds(57));  // 7 ms late
    r.service.dispatchDue();
    r.clock.set(milliseconds(100));
    r.service.dispatchDue();
    r.clock.set(milliseconds(149));  // early: nothing
    r.service.dispatchDue();
    r.clock.set(milliseconds(150));
    r.service.dispatchDue();
    const std::vector<Nanos> expected = {milliseconds(57), milliseconds(100), milliseconds(150)};
    EXPECT_EQ(r.timesOf("t"), expected);
}

// After a stall longer than a whole period the missed ticks are dropped, not fired in a burst.
TEST(TimerService, AStallDropsMissedTicks) {
    Recorder r;
    r.add("t", 50, true);
    r.clock.set(milliseconds(420));
    r.service.dispatchDue();
    r.service.dispatchDue();
    EXPECT_EQ(r.timesOf("t").size(), 1u);
    r.service.runUntil(r.clock, milliseconds(520));
    const std::vector<Nanos> expected = {milliseconds(420), milliseconds(470), milliseconds(520)};
    EXPECT_EQ(r.timesOf("t"), expected);
}

TEST(TimerService, EnableStartsCountingFromNowDisableStops) {
    Recorder r;
    auto& t = r.add("t", 100, false);
    r.service.runUntil(r.clock, milliseconds(250));
    EXPECT_TRUE(r.fired.empty());
    t.setEnabled(true);
    t.setEnabled(true);  // already running: no restart
    r.service.runUntil(r.clock, milliseconds(460));
    t.setEnabled(false);
    r.service.runUntil(r.clock, milliseconds(1000));
    const std::vector<Nanos> expected = {milliseconds(350), milliseconds(450)};
    EXPECT_EQ(r.timesOf("t"), expected);
}

// A new interval applies from the tick in progress: the next tick is one new period after the
// last, so dragging the tempo never stalls the clock.
TEST(TimerService, NewIntervalAppliesFromTheLastTick) {
    Recorder r;
    auto& t = r.add("t", 200, true);
    r.service.runUntil(r.clock, milliseconds(250));  // ticked at 200
    t.setInterval(100);
    r.service.runUntil(r.clock, milliseconds(420));  // 300, 400
    t.setInterval(500);
    t.setInterval(30);  // moving through values, as a dragged slider does
    r.service.runUntil(r.clock, milliseconds(500));
    const std::vector<Nanos> expected = {milliseconds(200), milliseconds(300), milliseconds(400),
                                         milliseconds(430), milliseconds(460), milliseconds(490)};
    EXPECT_EQ(r.timesOf("t"), expected);

    // Shortening past the time already waited fires at the next dispatch.
    t.setInterval(1000);
    r.clock.set(milliseconds(900));
    t.setInterval(100);
    r.service.dispatchDue();
    EXPECT_EQ(r.timesOf("t").back(), milliseconds(900));
}

TEST(TimerService, DueTimersRunEarliestFirstOneAtATime) {
    Recorder r;
    r.add("a", 30, true);
    r.add("b", 20, true);
    r.add("c", 20, true);
    r.clock.set(milliseconds(60));
    r.service.dispatchDue();  // all overdue: b and c (deadline 20, creation order), then a (30)
    ASSERT_EQ(r.fired.size(), 3u);
    EXPECT_EQ(r.fired[0].first, "b");
    EXPECT_EQ(r.fired[1].first, "c");
    EXPECT_EQ(r.fired[2].first, "a");
}

// A handler may switch timers over inside its own tick: the attack ramp hands over to the
// decay ramp that way.
TEST(TimerService, HandlersMayReconfigureTimers) {
    SteppedClock clock;
    TimerService service(clock);
    std::vector<std::string> log;
    TimerService::Timer* decay = nullptr;
    TimerService::Timer* attack = nullptr;
    int attackTicks = 0;
    attack = &service.create(1, true, [&] {
        log.push_back("attack");
        if (++attackTicks == 2) {
            attack->setEnabled(false);
            decay->setInterval(1);
            decay->setEnabled(true);
        }
    });
    decay = &service.create(0, false, [&] { log.push_back("decay"); });
    service.runUntil(clock, kTick * 4);
    const std::vector<std::string> expected = {"attack", "attack", "decay", "decay"};
    EXPECT_EQ(log, expected);
}

TEST(TimerService, TheDispatchObserverSeesDeadlineStartAndFinishOfEveryTick) {
    SteppedClock clock;
    TimerService service(clock);
    // A handler that takes 3 ms of (stepped) time.
    auto& slow = service.create(50, true, [&] { clock.advance(milliseconds(3)); });
    service.create(0, true, [] {});  // never due: never seen
    std::vector<TimerService::Dispatch> seen;
    service.setDispatchObserver([&](const TimerService::Dispatch& d) { seen.push_back(d); });
    clock.set(milliseconds(52));  // 2 ms late
    service.dispatchDue();
    service.runUntil(clock, milliseconds(100));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].timer, &slow);
    EXPECT_EQ(seen[0].deadline, milliseconds(50));
    EXPECT_EQ(seen[0].started, milliseconds(52));
    EXPECT_EQ(seen[0].finished, milliseconds(55));
    EXPECT_EQ(seen[1].deadline, milliseconds(100));
    EXPECT_EQ(seen[1].started, milliseconds(100));
}

}  // namespace
}  // namespace tavrilo
