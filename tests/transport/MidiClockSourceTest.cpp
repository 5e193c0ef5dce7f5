#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/Fakes.h"
#include "transport/MidiClockSource.h"

namespace tavrilo {
namespace {

using namespace std::chrono_literals;

// Logs what the source asks of it, counting steps as a transport of 32 steps does.
struct FakeTransport final : StepTransport {
    std::string log;
    std::vector<StepTiming> steps;
    int next = 0;
    void play() override { log += "play ", next = 0; }
    void resume() override { log += "resume "; }
    void stop() override { log += "stop "; }
    void locate(int step) override { log += "locate " + std::to_string(step) + " ", next = step; }
    void skip(int) override { log += "skip "; }
    void step(const StepTiming& timing) override {
        log += std::to_string(std::exchange(next, (next + 1) % 32)) + " ";
        steps.push_back(timing);
    }
    bool running() const override { return false; }
    int currentStep() const override { return next; }
};

struct Harness {
    FakeTransport transport;
    Setting speed{1, 1600, 200};
    std::vector<int> shown;  // every value the slider took
    Subscription shownSub = speed.changed.connect([this](int v) { shown.push_back(v); });
    SteppedClock clock;
    test::FakeSound sound{clock};  // no latency: a step is heard half a 64 Hz tick after it
    MidiClockSource source{transport, speed, sound};
    Nanos t{1s};
    // n clocks at a tempo in ms per step, each moved by jitter() ns.
    void clocks(int n, double msPerStep = 120, const std::function<double()>& jitter = {}) {
        for (int i = 0; i < n; ++i, t += Nanos(std::llround(msPerStep * 1e6 / 6)))
            source.clock(t + Nanos(jitter ? std::llround(jitter()) : 0));
    }
};

// A step on every sixth clock while running, the first on the clock after Start, heard the
// output latency after its clock; stop and continue keep the place within the step; a song
// position makes the next clock a step boundary; no clocks, no steps.
TEST(MidiClockSource, FollowsTheMastersTransport) {
    Harness h;
    h.source.start();
    h.clocks(30);
    h.source.activate(std::nullopt);
    h.source.start();
    const Nanos downbeat = h.t;
    h.clocks(15);  // steps on clocks 1, 7 and 13, then two clocks into the third step
    h.source.stop();
    h.clocks(5);
    h.source.resume();
    const Nanos resumed = h.t;
    h.clocks(4);  // three clocks finish the step, the fourth plays the next
    h.source.stop();
    h.source.songPosition(9);
    h.source.resume();
    h.source.songPosition(20);
    h.clocks(1);
    h.source.requestStop();
    h.t += 3s;  // the master pauses its clock
    h.source.requestPlay();
    h.clocks(7);
    const auto next = h.source.deactivate();  // running on: the step after clock 7, 5 away
    h.clocks(12);
    EXPECT_EQ(h.transport.log, "play 0 1 2 stop resume 3 stop locate 9 resume 9 stop play 0 1 ");
    ASSERT_EQ(h.transport.steps.size(), 7u);
    const Nanos lead(7'812'500);
    EXPECT_EQ(h.transport.steps[1].heard, downbeat + 120ms + lead);
    EXPECT_EQ(h.transport.steps[3].heard, resumed + 60ms + lead);
    ASSERT_TRUE(next);
    EXPECT_NEAR((next->heard - h.transport.steps.back().heard) / 1.0us, 120'000, 1);
    for (const StepTiming& s : h.transport.steps)
        EXPECT_NEAR(s.period / 1.0us, 120'000, 1);
    EXPECT_EQ(h.shown, std::vector<int>{120});
}

// The slider follows a tempo change within a beat (24 clocks), or a beat and a half when the
// clock is stamped only to the JACK period (5.3 ms at 256 frames and 48 kHz): the step period is
// then known to a quarter of a ms no sooner. Such a clock, or one shaken by ±2.6 ms, does not
// move it while the tempo stays, not even at a tempo halfway between two whole ms; nor does a
// pause of the clock.
TEST(MidiClockSource, MeasuresTheTempoSteadily) {
    const std::tuple<double, double, int, int, Nanos> cases[] = {
        // ms per step before and after, jitter (0 none, 1 JACK period, 2 random), clocks, pause
        {120, 90, 0, 24, 0s}, {120, 150, 0, 24, 0s}, {40, 60, 0, 24, 0s},   {125, 100, 1, 36, 0s},
        {125, 125, 2, 0, 0s}, {125, 100, 0, 24, 2s}, {62.5, 62.5, 1, 0, 0s}};
    for (const auto& [before, after, kind, clocks, pause] : cases) {
        SCOPED_TRACE(testing::Message() << before << " " << after << " " << kind);
        Harness h;
        std::mt19937 random(3);
        std::uniform_real_distribution<double> shake(-2.6e6, 2.6e6);
        const auto jitter = [&, kind = kind] {
            if (kind == 1) return -std::fmod(static_cast<double>(h.t.count()), 256 / 48e3 * 1e9);
            return kind == 2 ? shake(random) : 0.0;
        };
        h.source.activate(std::nullopt);
        h.clocks(6, before, jitter);
        EXPECT_FALSE(h.source.locked());
        h.clocks(1440, before, jitter);  // half a minute at 125 ms per step
        EXPECT_TRUE(h.source.locked());
        ASSERT_EQ(h.shown.size(), 1u);
        EXPECT_NEAR(h.shown[0], before, 0.75);
        h.t += pause;
        h.clocks(clocks, after, jitter);
        EXPECT_NEAR(h.shown.back(), after, 0.75);
        const std::size_t moves = h.shown.size();
        h.clocks(1440, after, jitter);
        EXPECT_EQ(h.shown.size(), moves);
    }
}

}  // namespace
}  // namespace tavrilo
