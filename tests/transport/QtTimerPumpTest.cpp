#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "transport/QtTimerPump.h"

namespace tavrilo {
namespace {

// The pump hands deadlines to the event loop: ticks arrive there, never before their deadlines,
// a changed schedule is followed at once, and stop() stops them.
TEST(QtTimerPump, DeliversTicksThroughTheEventLoopNeverEarly) {
    SteadyClock clock;
    TimerService service(clock);
    std::vector<TimerService::Dispatch> ticks;
    service.create(40, true, [] {});
    service.setDispatchObserver([&](const TimerService::Dispatch& d) { ticks.push_back(d); });
    QtTimerPump pump(service);
    pump.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 3; }, 5000));
    for (const auto& tick : ticks)
        EXPECT_GE(tick.started, tick.deadline);

    // A timer started between ticks is armed at once, not at the next tick.
    bool other = false;
    auto& quick = service.create(0, false, [&] { other = true; });
    quick.setInterval(16);
    quick.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return other; }, 5000));

    pump.stop();
    const std::size_t seen = ticks.size();
    QTest::qWait(150);
    EXPECT_EQ(ticks.size(), seen);
}

}  // namespace
}  // namespace tavrilo
