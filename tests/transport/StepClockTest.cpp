#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "transport/StepClock.h"

namespace tavrilo {
namespace {

// Times in ms as doubles: whole ms plus 15.625 ms ticks, all exact in a double.
constexpr double kTick = TimerService::kGranularity.count() / 1e6;  // what a 1 ms ramp gets
using Tick = std::pair<double, int>;  // when a ramp ticked, and the level it left

// n ramp ticks on the 64 Hz grid from the first grid point after `start`, leaving first,
// first + step, ...
std::vector<Tick> ramp(double start, int n, int first, int step) {
    std::vector<Tick> out;
    for (int k = 1; k <= n; ++k)
        out.push_back({(std::floor(start / kTick) + k) * kTick, first + (k - 1) * step});
    return out;
}

// Timers as designed, start-up score, tempo 200; `log` holds indicator changes and step ticks.
struct Harness {
    SteppedClock clock;
    TimerService service{clock};
    StepParameterSet score;
    StepIndicators indicators;
    TransportSettings settings;
    VoiceState voice;
    std::vector<Tick> attack, decay;
    std::vector<double> passes;  // when each step tick ended
    std::string log;

    TimerService::Timer& timer2 = service.create(0, true, [this] {
        stepClock.attackTick();
        attack.push_back({ms(), voice.envLevel});
    });
    TimerService::Timer& timer3 = service.create(75, false, [this] {
        stepClock.stepTick();
        passes.push_back(ms());
        log += "pass " + std::to_string(stepClock.currentStep()) + "; ";
    });
    TimerService::Timer& timer4 = service.create(0, false, [this] {
        stepClock.decayTick();
        decay.push_back({ms(), voice.envLevel});
    });
    StepClock stepClock{score, indicators, voice, settings, {timer2, timer3, timer4}};
    std::vector<Subscription> listening;

    Harness() {
        score.fillStartup();
        setTempo(200);
        const auto logged = [this](const char* kind) {
            return [this, kind](int step, bool on) {
                log += kind + std::to_string(step) + (on ? " on; " : " off; ");
            };
        };
        listening.push_back(indicators.lampChanged.connect(logged("lamp ")));
        listening.push_back(indicators.markerChanged.connect(logged("marker ")));
    }
    void setTempo(int ms) {
        settings.tempo.set(ms);
        stepClock.sltempo_Change();
    }
    double ms() const { return static_cast<double>(clock.now().count()) / 1e6; }
    void runUntil(double t) { service.runUntil(clock, Nanos(std::llround(t * 1e6))); }
    void playUntil(double t) {
        stepClock.play();
        runUntil(t);
    }
    // A Tone below 24 makes the step sound; the defaults are the worked example's envelope.
    void soundingStep(int step, int tone = 12, int atteck = 25, int decay = 10, int vol = 10) {
        score.setCell(Row::Tone, step, tone);
        score.setCell(Row::Atteck, step, atteck);
        score.setCell(Row::Decay, step, decay);
        score.setCell(Row::VOL, step, vol);
    }
    std::vector<int> redLamps() const {
        std::vector<int> red;
        for (int s = 0; s < kSteps; ++s)
            if (indicators.lamp(s)) red.push_back(s);
        return red;
    }
};

// Attack 25 towards 100 - VOL 10 = 90 from the step tick at 200 ms: 25, 50, 75, 100 on the grid
// points from 203.125 ms, handing over at 250 ms; the decay then takes 10 per tick and stops at 0
// at 406.25 ms.
TEST(StepClock, WorkedExampleRunsTheEnvelopeOnTheTimerGrid) {
    Harness h;
    h.soundingStep(0);
    h.playUntil(1000);
    EXPECT_EQ(h.attack, ramp(200, 4, 25, 25));
    EXPECT_EQ(h.decay, ramp(250, 10, 90, -10));
}

// The ceiling is 100 - VOL of the sounding step, read at every tick, not of the next one (opposite
// VOL here) that currentStep names by then. The last attack tick may pass it by up to
// attackRate - 1 and the decay (3) starts there; a note starting at its ceiling decays at once.
TEST(StepClock, AttackRisesToTheSoundingStepsCeilingAndMayOvershoot) {
    const std::tuple<const char*, int, int, int, int, int, std::vector<int>> cases[] = {
        // step, Atteck, VOL, level before the note, VOL after 2 ticks (-1: kept), attack levels
        {"own VOL 100, loud next step", 0, 25, 100, 0, -1, {0}},
        {"own VOL 100 at the wrap", 31, 25, 100, 0, -1, {0}},
        {"ceiling 40", 0, 25, 60, 0, -1, {25, 50}},
        {"ceiling moved to 60 in the attack", 0, 25, 10, 0, 40, {25, 50, 75}},
        {"9 overshoots 100 by 8", 0, 9, 0, 0, -1, {9, 18, 27, 36, 45, 54, 63, 72, 81, 90, 99, 108}},
        {"highest level: 99 + 25", 0, 25, 0, 99, -1, {124}},
        {"starts at its ceiling", 0, 25, 10, 90, -1, {90}},
    };
    for (const auto& [name, step, atteck, vol, startLevel, volLater, levels] : cases) {
        SCOPED_TRACE(name);
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

// Length 1: every tick processes step 0, turns its lamp black and red again, and re-triggers the
// note from the level the last one reached.
TEST(StepClock, LengthOneRetriggersStepZero) {
    Harness h;
    h.soundingStep(0);
    h.score.setLength(1);
    h.playUntil(399);  // decay from 100 at 250 ms: 9 ticks by 390.625 ms leave 10
    h.log.clear();
    h.runUntil(400 + kTick * 3);
    EXPECT_EQ(h.log, "lamp 0 off; lamp 0 on; pass 0; ");
    EXPECT_EQ(std::vector<Tick>(h.attack.end() - 3, h.attack.end()), ramp(400, 3, 35, 25));
}

TEST(StepClock, ShorteningTheLengthBelowCurrentStepWrapsAfterIt) {
    Harness h;
    h.soundingStep(6, 3);
    h.playUntil(1200);  // steps 0..5 processed
    h.score.setLength(4);
    h.runUntil(1400);
    EXPECT_EQ(h.voice.pitch, 21);  // step 6 still played
    EXPECT_EQ(h.redLamps(), std::vector<int>{0});
}

// Play returns to step 0 but turns no lamp black. A running clock keeps its tick grid; from the
// stopped state the next tick is a full interval away.
TEST(StepClock, PlayAgainRestartsAtStepZeroAndTheOldLampStaysRed) {
    for (const bool stopFirst : {false, true}) {
        SCOPED_TRACE(stopFirst ? "after stop" : "while playing");
        Harness h;
        h.playUntil(650);  // three ticks
        if (stopFirst) h.stepClock.stop();
        h.playUntil(860);  // lamp 3 is still red after step 0 was processed
        EXPECT_EQ(h.passes, (std::vector<double>{200, 400, 600, stopFirst ? 850.0 : 800.0}));
        EXPECT_EQ(h.redLamps(), (std::vector<int>{1, 3}));
    }
}

// Rows: tempo, play and first tick in ms. The slider's range is 1..1600 ms; other tempos are held
// there (0 would stop the clock).
TEST(StepClock, FirstStepTickComesOneFullIntervalAfterPlay) {
    const std::tuple<const char*, int, double, double> cases[] = {
        {"start-up tempo", 200, 0, 200},
        {"off the timer grid", 200, 1003, 1203},
        {"0 held at 1: the 64 Hz grid", 0, 10, kTick},
        {"5000 held at 1600", 5000, 10, 1610}};
    for (const auto& [name, tempo, playAt, firstTick] : cases) {
        SCOPED_TRACE(name);
        Harness h;
        h.setTempo(tempo);
        h.runUntil(playAt);
        h.playUntil(firstTick);
        EXPECT_EQ(h.passes, std::vector<double>{firstTick});
    }
}

TEST(StepClock, TempoChangeAppliesFromTheNextTick) {
    Harness h;
    h.playUntil(250);  // 200
    h.setTempo(100);
    h.runUntil(450);
    EXPECT_EQ(h.passes, (std::vector<double>{200, 300, 400}));
}

// Stop disables only the step clock and a rest leaves the voice alone (nor are the "Expand"
// sliders read again), so a note runs its whole envelope; with decay 0 it holds, stop or not.
TEST(StepClock, StopAndRestsLetTheNoteFinish) {
    const std::tuple<const char*, int, int, double, int, int> cases[] = {
        // tempo, Decay, stop at (600: none), steps processed and decay ticks by 600 ms
        {"stop just after the note starts", 200, 10, 201, 1, 10},
        {"rests ticking all through the envelope", 20, 10, 600, 30, 10},
        {"decay 0 holds through a stop in the sustain", 200, 0, 300, 1, 22},
    };
    for (const auto& [name, tempo, decay, stopAt, steps, decayTicks] : cases) {
        SCOPED_TRACE(name);
        Harness h;
        h.soundingStep(0, 12, 25, decay);
        h.settings.expand1.set(1234);
        h.setTempo(tempo);
        h.playUntil(tempo + 1);  // note started, no attack tick yet
        h.settings.expand1.set(7);
        h.runUntil(stopAt);
        if (stopAt < 600) h.stepClock.stop();
        h.runUntil(600);
        EXPECT_EQ(h.indicators.playLamp(), stopAt == 600);
        EXPECT_EQ(h.redLamps(), std::vector<int>{steps});
        EXPECT_EQ(h.attack, ramp(tempo, 4, 25, 25));
        EXPECT_EQ(h.decay, ramp(tempo + kTick * 4, decayTicks, 100 - decay, -decay));
        EXPECT_EQ(h.voice.pitch, 12);
        EXPECT_EQ(h.voice.cut1, 1234);
    }
}

// The start-up score is all rests: lamps move and markers refresh, the voice is never touched.
TEST(StepClock, AllRestPlaybackMovesIndicatorsOnly) {
    Harness h;
    h.indicators.setMarker(5, true);  // left over from an earlier sounding step
    h.playUntil(200 * 40);
    EXPECT_EQ(h.redLamps(), std::vector<int>{40 % 32});
    EXPECT_FALSE(h.indicators.marker(5));
    EXPECT_EQ(h.voice.pitch, 0);
    EXPECT_TRUE(h.attack.empty());
}

// The reset rewrites the score only: playback goes on at the same step and tempo, no further note
// starts, the sounding one decays at its own rates, and markers change only as the clock passes.
TEST(StepClock, ResetWhilePlaying) {
    Harness h;
    for (int s : {0, 1, 2})
        h.soundingStep(s, 5 + s);  // pitches 19, 18, 17
    h.score.setLength(20);
    h.setTempo(100);
    h.playUntil(210);  // steps 0 and 1 played; step 1's note is in its attack, from 80
    h.stepClock.reset();
    h.runUntil(1000);
    EXPECT_EQ(h.stepClock.currentStep(), 10);
    EXPECT_EQ(h.voice.pitch, 18);    // step 2 was silenced before its tick
    EXPECT_EQ(h.voice.envLevel, 0);  // one attack tick to 105, then 10 per decay tick
    EXPECT_EQ(h.stepClock.attackRate(), 25);
    EXPECT_TRUE(h.indicators.marker(0));
    h.runUntil(100 * 33);  // step 0 processed again
    EXPECT_FALSE(h.indicators.marker(0));
    EXPECT_TRUE(h.indicators.marker(1));
}

// Lamp off and marker refreshed for the processed step, the voice loaded from it, then
// currentStep advanced, the new lamp lit, and exactly one synthesis pass.
TEST(StepClock, StepTickOrder) {
    Harness h;
    h.soundingStep(2);
    h.playUntil(500);  // steps 0, 1 processed: lamp 2 red
    h.log.clear();
    h.runUntil(600);
    EXPECT_EQ(h.log, "lamp 2 off; marker 2 on; lamp 3 on; pass 3; ");
    EXPECT_EQ(h.voice.pitch, 12);
}

// Option 7 - Osc, rates 100 - cell, cuts held within 0..2000, pitch 24 - Tone, rates as they are.
TEST(StepClock, SoundingStepLoadsTheVoice) {
    const Row rows[] = {Row::Tone, Row::Osc1, Row::Osc2,   Row::AM1,
                        Row::AM2,  Row::FM,   Row::Atteck, Row::Decay};
    using Values = std::array<int, 10>;
    const std::tuple<std::array<int, 8>, int, int, Values> cases[] = {
        // cells in the order of `rows`, the two "Expand" sliders; pitch, option1, option2,
        // amRate1, amRate2, fmRate, cut1, cut2, attackRate, decayRate
        {{0, 0, 7, 100, 0, 37, 1, 0}, 0, 2000, {24, 7, 0, 0, 100, 63, 0, 2000, 1, 0}},
        {{23, 7, 0, 0, 100, 100, 25, 25}, 1234, 1, {1, 0, 7, 100, 0, 0, 1234, 1, 25, 25}},
        {{10, 3, 5, 45, 46, 47, 13, 4}, 2500, -5, {14, 4, 2, 55, 54, 53, 2000, 0, 13, 4}},
    };
    for (const auto& [cells, expand1, expand2, want] : cases) {
        SCOPED_TRACE(testing::Message() << "tone " << cells[0]);
        Harness h;
        for (std::size_t i = 0; i < cells.size(); ++i)
            h.score.setCell(rows[i], 0, cells[i]);
        h.settings.expand1.set(expand1);
        h.settings.expand2.set(expand2);
        h.playUntil(200);
        h.stepClock.loadVoice(kSteps, 3);  // no such step: the keyboard's note starts nothing
        const VoiceState& v = h.voice;
        const StepClock& sc = h.stepClock;
        EXPECT_EQ((Values{v.pitch, v.osc1Option, v.osc2Option, v.amRate1, v.amRate2, v.fmRate,
                          v.cut1, v.cut2, sc.attackRate(), sc.decayRate()}),
                  want);
    }
}

}  // namespace
}  // namespace tavrilo
