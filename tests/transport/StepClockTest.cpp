#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "support/Fakes.h"
#include "transport/InternalStepSource.h"
#include "transport/StepClock.h"

namespace tavrilo {
namespace {

// Times in ms: whole ms and 15.625 ms ticks, all exact in a double.
constexpr double kTick = TimerService::kGranularity.count() / 1e6;
using Tick = std::pair<double, int>;  // when a ramp ticked, and the level it left

// n ramp ticks on the 64 Hz grid from the first grid point after `start`, leaving first,
// first + step, ...
std::vector<Tick> ramp(double start, int n, int first, int step) {
    std::vector<Tick> out;
    for (int k = 1; k <= n; ++k)
        out.push_back({(std::floor(start / kTick) + k) * kTick, first + (k - 1) * step});
    return out;
}

// Timers as designed, start-up score, tempo 200; `log` holds lamp and marker changes and steps.
struct Harness {
    SteppedClock clock;
    TimerService service{clock};
    StepParameterSet score;
    StepIndicators indicators;
    TransportSettings settings;
    VoiceState voice;
    std::vector<Tick> attack, decay;
    std::vector<double> steps;  // when each step tick ended
    std::string log;
    test::FakeSound sound{clock};
    TimerService::Timer& timer2 = service.create(0, true, [this] {
        stepClock.attackTick();
        attack.push_back({ms(), voice.envLevel});
    });
    InternalStepSource source{service, stepClock, sound};
    TimerService::Timer& timer4 = service.create(0, false, [this] {
        stepClock.decayTick();
        decay.push_back({ms(), voice.envLevel});
    });
    StepClock stepClock{score, indicators, voice, settings, {timer2, timer4}};
    Subscription stepped = stepClock.stepped.connect([this](const StepTiming&) {
        steps.push_back(ms());
        log += "step; ";
    });
    Subscription lamps = indicators.lampChanged.connect(
        [this](int s, bool on) { log += "lamp " + std::to_string(s) + (on ? " on; " : " off; "); });
    Subscription markers = indicators.markerChanged.connect([this](int s, bool on) {
        log += "marker " + std::to_string(s) + (on ? " on; " : " off; ");
    });

    Harness() { score.fillStartup(), setTempo(200); }
    void setTempo(int ms) { settings.tempo.set(ms), source.requestTempo(settings.tempo.value()); }
    double ms() const { return static_cast<double>(clock.now().count()) / 1e6; }
    void runUntil(double t) { service.runUntil(clock, Nanos(std::llround(t * 1e6))); }
    void playUntil(double t) { source.requestPlay(), runUntil(t); }
    // A Tone below 24 makes the step sound; the defaults are the worked example's envelope.
    void soundingStep(int step, int tone = 12, int atteck = 25, int decay = 10, int vol = 10) {
        for (auto [row, v] : {std::pair{Row::Tone, tone},
                              {Row::Atteck, atteck},
                              {Row::Decay, decay},
                              {Row::VOL, vol}})
            score.setCell(row, step, v);
    }
    std::vector<int> redLamps() const {
        std::vector<int> red;
        for (int s = 0; s < kSteps; ++s)
            if (indicators.lamp(s)) red.push_back(s);
        return red;
    }
};

// The ceiling is 100 - VOL of the sounding step, read at every tick, not of the next one (opposite
// VOL here) that currentStep names by then. The last attack tick may pass it by up to
// attackRate - 1 and the decay (3) starts there; a note starting at its ceiling decays at once.
TEST(StepClock, AttackRisesToTheSoundingStepsCeilingAndMayOvershoot) {
    const std::tuple<int, int, int, int, int, std::vector<int>> cases[] = {
        // step, Atteck, VOL, level before the note, VOL after 2 ticks (-1: kept), attack levels
        {0, 25, 10, 0, 40, {25, 50, 75}},
        {0, 9, 0, 0, -1, {9, 18, 27, 36, 45, 54, 63, 72, 81, 90, 99, 108}},
        {0, 25, 10, 90, -1, {90}},
    };
    for (const auto& [step, atteck, vol, startLevel, volLater, levels] : cases) {
        SCOPED_TRACE(testing::Message()
                     << step << " " << atteck << " " << vol << " " << startLevel);
        Harness h;
        h.soundingStep(step, 0, atteck, 3, vol);
        h.score.setCell(Row::VOL, (step + 1) % kSteps, 100 - vol);
        h.voice.envLevel = static_cast<std::int16_t>(startLevel);
        const double noteAt = 200.0 * (step + 1);
        h.playUntil(noteAt);
        EXPECT_EQ(h.voice.amp1, startLevel);  // the note starts where the level stands
        h.runUntil(noteAt + kTick * 2);
        if (volLater >= 0) h.score.setCell(Row::VOL, step, volLater);
        h.runUntil(noteAt + kTick * static_cast<double>(levels.size() + 1));
        std::vector<int> got;
        for (const Tick& t : h.attack)
            got.push_back(t.second);
        EXPECT_EQ(got, levels);
        ASSERT_EQ(h.decay.size(), 1u);
        EXPECT_EQ(h.decay[0].second, std::max(0, levels.back() - 3));
    }
}

// Length 1 processes step 0 at every tick and re-triggers its note from the level reached;
// shortened below currentStep, the clock still processes that step, then wraps to 0.
TEST(StepClock, TheLengthWrapsTheSteps) {
    Harness h;
    h.soundingStep(0);
    h.score.setLength(1);
    h.playUntil(399);  // decay from 100 at 250 ms: 9 ticks by 390.625 ms leave 10
    h.log.clear();
    h.runUntil(400 + kTick * 3);
    EXPECT_EQ(h.log, "lamp 0 off; lamp 0 on; step; ");
    EXPECT_EQ(std::vector<Tick>(h.attack.end() - 3, h.attack.end()), ramp(400, 3, 35, 25));
    h.score.setLength(32);
    h.soundingStep(6, 3);
    h.runUntil(1600);  // steps 0..5 played again
    h.score.setLength(4);
    h.runUntil(1800);
    EXPECT_EQ(h.voice.pitch, 21);  // step 6 still played
    EXPECT_EQ(h.redLamps(), (std::vector<int>{0}));
}

// The first step tick comes one full interval after play (the tempo held inside 1..1600 ms; a
// tempo that fast ticks on the 64 Hz grid); a new tempo applies from the next tick. Play again
// returns to step 0 but turns no lamp off: the lamp lit before stays red until its step comes.
TEST(StepClock, PlayTempoAndPlayAgain) {
    const std::tuple<int, double, std::vector<double>> cases[] = {
        {200, 1003, {1203, 1403}}, {0, 10, {kTick, 2 * kTick}}, {5000, 10, {1610, 3210}}};
    for (const auto& [tempo, playAt, ticks] : cases) {
        Harness h;
        h.setTempo(tempo);
        h.runUntil(playAt);
        h.playUntil(ticks.back());
        EXPECT_EQ(h.steps, ticks) << tempo;
    }
    Harness h;
    h.playUntil(450);
    h.setTempo(100);
    h.runUntil(650);  // 200, 400, then 500 and 600
    h.source.requestStop();
    h.playUntil(760);
    EXPECT_EQ(h.steps, (std::vector<double>{200, 400, 500, 600, 750}));
    EXPECT_EQ(h.redLamps(), (std::vector<int>{1, 4}));
}

// Attack 25 to 100 from the step tick at 200 ms on the 64 Hz grid, then decay 10 a tick to 0.
// The step tick refreshes the step's marker and moves the lamp on. Stop halts only the step
// clock and a rest leaves the voice (and its cuts) alone: a note runs its whole envelope, or holds
// with decay 0.
TEST(StepClock, StopAndRestsLetTheNoteFinish) {
    const std::tuple<int, int, double, int, int> cases[] = {
        // tempo, Decay, stop at (600: none), steps processed and decay ticks by 600 ms
        {200, 10, 201, 1, 10},
        {20, 10, 600, 30, 10},
        {200, 0, 300, 1, 22},
    };
    for (const auto& [tempo, decay, stopAt, steps, decayTicks] : cases) {
        SCOPED_TRACE(testing::Message() << tempo << " " << decay << " " << stopAt);
        Harness h;
        h.soundingStep(0, 12, 25, decay);
        h.settings.expand1.set(1234);
        h.setTempo(tempo);
        h.playUntil(tempo + 1);
        h.settings.expand1.set(7);
        h.runUntil(stopAt);
        if (stopAt < 600) h.source.requestStop();
        h.runUntil(600);
        EXPECT_EQ(h.indicators.playLamp(), stopAt == 600);
        EXPECT_EQ(h.redLamps(), std::vector<int>{steps});
        EXPECT_EQ(h.attack, ramp(tempo, 4, 25, 25));
        EXPECT_EQ(h.decay, ramp(tempo + kTick * 4, decayTicks, 100 - decay, -decay));
        EXPECT_EQ(h.voice.cut1, 1234);
        EXPECT_TRUE(h.log.starts_with("marker 0 on; lamp 1 on; step; ")) << h.log;
        EXPECT_EQ(h.indicators.marker(steps - 1), steps == 1);  // a rest shows none
    }
}

// Option 7 - Osc, rates 100 - cell, the "Expand" values as cuts, pitch 24 - Tone, the envelope
// rates as they are.
TEST(StepClock, SoundingStepLoadsTheVoice) {
    const Row rows[] = {Row::Tone, Row::Osc1, Row::Osc2,   Row::AM1,
                        Row::AM2,  Row::FM,   Row::Atteck, Row::Decay};
    using Values = std::array<int, 10>;
    const std::tuple<std::array<int, 8>, int, int, Values> cases[] = {
        // cells in the order of `rows`, the "Expand" values; pitch, option1, option2, amRate1,
        // amRate2, fmRate, cut1, cut2, attackRate, decayRate
        {{0, 0, 7, 100, 0, 37, 1, 0}, 0, 2000, {24, 7, 0, 0, 100, 63, 0, 2000, 1, 0}},
        {{23, 7, 0, 0, 100, 100, 25, 25}, 1234, 1, {1, 0, 7, 100, 0, 0, 1234, 1, 25, 25}},
    };
    for (const auto& [cells, expand1, expand2, want] : cases) {
        Harness h;
        for (std::size_t i = 0; i < cells.size(); ++i)
            h.score.setCell(rows[i], 0, cells[i]);
        h.settings.expand1.set(expand1);
        h.settings.expand2.set(expand2);
        h.playUntil(200);
        const VoiceState& v = h.voice;
        EXPECT_EQ((Values{v.pitch, v.osc1Option, v.osc2Option, v.amRate1, v.amRate2, v.fmRate,
                          v.cut1, v.cut2, h.stepClock.attackRate(), h.stepClock.decayRate()}),
                  want)
            << cells[0];
    }
}

}  // namespace
}  // namespace tavrilo
