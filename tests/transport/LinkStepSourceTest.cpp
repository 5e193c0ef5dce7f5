#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/Fakes.h"
#include "transport/LinkStepSource.h"
#include "transport/StepClock.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

struct Rig {
    SteppedClock clock;
    TimerService timers{clock};
    StepParameterSet score;
    StepIndicators indicators;
    TransportSettings settings;
    VoiceState voice;
    test::FakeSound sound{clock};
    test::FakeSession session{clock};
    TimerService::Timer& attack = timers.create(0, false, [] {});
    TimerService::Timer& decay = timers.create(0, false, [] {});
    StepClock steps{score, indicators, voice, settings, {attack, decay}};
    LinkStepSource link{timers, steps, session, settings.tempo, sound};
    std::vector<std::pair<Nanos, StepTiming>> played;  // when each step ticked, and its timing
    Subscription log = steps.stepped.connect(
        [this](const StepTiming& t) { played.push_back({clock.now(), t}); });
    // As the instrument wires the Speed slider.
    Subscription speed = settings.tempo.changed.connect([this](int ms) { link.requestTempo(ms); });

    Rig() { score.fillStartup(), settings.tempo.set(200), sound.latency = milliseconds(10); }
    void run(Nanos dt) { timers.runUntil(clock, clock.now() + dt); }
};

// Joined at the slider's tempo (200 ms a step is 75 bpm), a session found playing is not joined
// until play here; a peer's tempo shows as ms per step, clamped, never pushed back at the
// session; a peer's start plays step n at beat n/4 from the next bar, computed 10 ms (the output
// latency) and half a 64 Hz tick (7.8125 ms) early; a stall skips the missed steps and stays in
// phase; the peer's stop stops; play and Speed here reach the session; leaving hands on the
// running sequence's next step.
TEST(LinkStepSource, FollowsTheSessionsTempoStartAndStopBothWays) {
    Rig r;
    r.session.isPlaying = true, r.session.startedAt = -std::chrono::seconds(1);
    r.link.activate(std::nullopt);
    EXPECT_TRUE(r.session.joined && !r.steps.running());  // playing since before: not a start
    r.session.isPlaying = false;
    EXPECT_DOUBLE_EQ(r.session.bpm, 75.0);
    const std::pair<double, int> shown[] = {{123, 122}, {5, 1600}, {NAN, 1600}, {20000, 1}, {100, 150}};
    for (const auto& [bpm, ms] : shown) {
        r.session.setTempo(bpm, r.clock.now());
        r.link.update();
        EXPECT_EQ(r.settings.tempo.value(), ms) << bpm;
        EXPECT_TRUE(r.session.shown == bpm || std::isnan(bpm)) << bpm;
    }

    r.run(milliseconds(1003));
    r.session.setPlaying(true, r.clock.now());  // beat 1.67: the bar starts at beat 4, t = 2.4 s
    r.link.update();
    r.run(milliseconds(3097));  // to 4.1 s
    ASSERT_EQ(r.played.size(), 12u);
    for (std::size_t n = 0; n < r.played.size(); ++n) {
        const auto beat = milliseconds(2400) + n * milliseconds(150);
        EXPECT_EQ(r.played[n].second.heard, beat) << n;
        EXPECT_EQ(r.played[n].second.period, milliseconds(150)) << n;
        EXPECT_EQ(r.played[n].first, beat - Nanos(17'812'500)) << n;
    }
    EXPECT_EQ(r.steps.currentStep(), 12);

    r.clock.advance(milliseconds(1000));  // a stall: steps 12..17 missed
    r.run(milliseconds(1));
    ASSERT_EQ(r.played.size(), 13u);
    EXPECT_EQ(r.played.back().second.heard, milliseconds(2400 + 18 * 150));
    EXPECT_EQ(r.steps.currentStep(), 19);

    r.session.setPlaying(false, r.clock.now());
    r.link.update();
    r.run(milliseconds(1000));
    EXPECT_TRUE(!r.steps.running() && r.played.size() == 13u);

    r.settings.tempo.set(125);
    EXPECT_DOUBLE_EQ(r.session.bpm, 120.0);
    r.link.requestPlay();  // at beat 10.17: on the next bar, beat 12, 0.92 s away
    EXPECT_TRUE(r.session.isPlaying && r.steps.running() && r.steps.currentStep() == 0);
    const Nanos bar = r.session.timeAt(0);
    r.run(milliseconds(1500));
    ASSERT_EQ(r.played.size(), 18u);
    EXPECT_EQ(r.played[13].second.heard, bar);
    r.link.requestStop();
    r.session.peerCount = 0;  // alone: play starts at once, as soon as step 0 can be heard
    r.link.requestPlay();
    EXPECT_EQ(r.played.back().second.heard, r.clock.now() + Nanos(17'812'500));
    r.link.requestStop();
    r.session.peerCount = 1;
    r.session.setPlaying(true, r.clock.now());  // a peer's start, seen 0.3 s late: the next bar
    r.clock.advance(milliseconds(300));
    r.link.update();
    const Nanos nextBar = r.session.timeAt(4);
    const std::size_t first = r.played.size();
    r.run(milliseconds(3000));
    ASSERT_GT(r.played.size(), first);
    EXPECT_EQ(r.played[first].second.heard, nextBar);
    const auto next = r.link.deactivate();
    EXPECT_TRUE(!r.session.joined && r.steps.running() && next && next->period == milliseconds(125));
}

}  // namespace
}  // namespace tavrilo
