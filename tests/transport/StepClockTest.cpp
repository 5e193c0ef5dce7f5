#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <utility>
#include <vector>

#include "transport/StepClock.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

constexpr Nanos kTick = TimerService::kGranularity;  // 15.625 ms: what a 1 ms ramp timer gets

// One ramp tick: when it fired and the level it left.
struct Sample {
    Nanos at;
    int level;
    bool operator==(const Sample&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Sample& s) {
    return os << "{" << static_cast<double>(s.at.count()) / 1e6 << " ms, " << s.level << "}";
}

// n samples, k = 1..n: one tick apart after `start`, the level going first, first + step, ...
std::vector<Sample> ramp(Nanos start, int n, int first, int step) {
    std::vector<Sample> out;
    for (int k = 1; k <= n; ++k)
        out.push_back({start + kTick * k, first + (k - 1) * step});
    return out;
}

using Kind = StepIndicators::Kind;

// One indicator change, as the widgets are told of it.
struct Shown {
    Kind kind;
    int step;
    bool on;
    bool operator==(const Shown&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Shown& c) {
    const char* kind = c.kind == Kind::Lamp ? "lamp" : c.kind == Kind::Marker ? "marker" : "play";
    return os << kind << " " << c.step << (c.on ? " on" : " off");
}

// What the synthesis pass at the end of a step tick saw.
struct StepPass {
    Nanos at;
    int currentStep;
    bool lampOfCurrent;
};

// The main window's four timers in their design-time state, a score with the start-up values,
// and the tempo at 200 as start-up leaves it. Nothing runs until a test advances the clock.
struct Harness {
    SteppedClock clock;
    TimerService service{clock};
    StepParameterSet score;
    StepIndicators indicators;
    VoiceState voice;

    int passes = 0;  // every synthesis pass, from Timer1 or from a step tick
    std::vector<StepPass> stepPasses;
    std::vector<Sample> attack;
    std::vector<Sample> decay;
    std::vector<Shown> changes;
    int expand1 = 0;
    int expand2 = 0;
    std::vector<int> stepAtCutRead;  // currentStep when the voice load read the cut sliders

    TimerService::Timer& timer1 = service.create(1, true, [this] { ++passes; });
    TimerService::Timer& timer2 = service.create(0, true, [this] {
        stepClock.attackTick();
        attack.push_back({clock.now(), voice.envLevel});
    });
    TimerService::Timer& timer3 = service.create(75, false, [this] { stepClock.stepTick(); });
    TimerService::Timer& timer4 = service.create(0, false, [this] {
        stepClock.decayTick();
        decay.push_back({clock.now(), voice.envLevel});
    });

    StepClock stepClock{score,
                        indicators,
                        voice,
                        {timer2, timer3, timer4},
                        {[this] {
                             ++passes;
                             stepPasses.push_back({clock.now(), stepClock.currentStep(),
                                                   indicators.lamp(stepClock.currentStep())});
                         },
                         [this] {
                             stepAtCutRead.push_back(stepClock.currentStep());
                             return expand1;
                         },
                         [this] { return expand2; }}};

    Harness() {
        score.fillStartup();
        stepClock.setTempo(200);
        indicators.addListener([this](const StepIndicators::Change& c) {
            changes.push_back({c.kind, c.step, c.on});
        });
    }

    void runUntil(Nanos t) { service.runUntil(clock, t); }
    void set(int step, std::initializer_list<std::pair<Row, int>> cells) {
        for (const auto& [row, value] : cells)
            score.setCell(row, step, value);
    }
    // The worked example's envelope: attack 25, decay 10, ceiling 90.
    void soundingStep(int step, int tone = 12) {
        set(step, {{Row::Tone, tone}, {Row::Atteck, 25}, {Row::Decay, 10}, {Row::VOL, 10}});
    }
    std::vector<int> redLamps() const {
        std::vector<int> red;
        for (int s = 0; s < kSteps; ++s)
            if (indicators.lamp(s)) red.push_back(s);
        return red;
    }
};

// Attack 25 towards a ceiling of 90 gives 25, 50, 75, 100; the decay then takes 10 off per tick
// down to 0 and stops. Play at 0 with tempo 200: the note starts at the step tick at 200 ms, the
// attack hands over at its 4th tick (262.5 ms) and the decay's 10th tick (418.75 ms) reaches 0.
TEST(StepClock, WorkedExampleRunsTheEnvelopeOnTheTimerGrid) {
    Harness h;
    h.soundingStep(0);
    h.stepClock.play();
    h.runUntil(milliseconds(1000));

    const std::vector<Sample> attack = {{milliseconds(200) + kTick * 1, 25},
                                        {milliseconds(200) + kTick * 2, 50},
                                        {milliseconds(200) + kTick * 3, 75},
                                        {milliseconds(200) + kTick * 4, 100}};
    EXPECT_EQ(h.attack, attack);
    const Nanos handOver = milliseconds(200) + kTick * 4;
    const std::vector<Sample> decay = {{handOver + kTick * 1, 90}, {handOver + kTick * 2, 80},
                                       {handOver + kTick * 3, 70}, {handOver + kTick * 4, 60},
                                       {handOver + kTick * 5, 50}, {handOver + kTick * 6, 40},
                                       {handOver + kTick * 7, 30}, {handOver + kTick * 8, 20},
                                       {handOver + kTick * 9, 10}, {handOver + kTick * 10, 0}};
    EXPECT_EQ(h.decay, decay);
    EXPECT_EQ(h.decay.back().at, Nanos(418'750'000));

    EXPECT_FALSE(h.timer2.enabled());
    EXPECT_FALSE(h.timer4.enabled());
    EXPECT_EQ(h.voice.envLevel, 0);
    EXPECT_EQ(h.voice.pitch, 12);
    EXPECT_EQ(h.stepClock.attackRate(), 25);
    EXPECT_EQ(h.stepClock.decayRate(), 10);
}

// The ceiling is 100 - VOL of the step that started the note. The step tick has already moved
// on when the ramp runs, so the following step (step 0 after a wrap) must not decide it.
TEST(StepClock, CeilingComesFromTheSoundingStepNotItsNeighbour) {
    struct Case {
        const char* name;
        int sounding;
        int ownVol;
        int neighbourVol;
        std::vector<int> attackLevels;
    } cases[] = {
        // Ceiling 0: nothing added, straight to the decay, however loud the next step is.
        {"quiet note, loud next step", 0, 100, 0, {0}},
        {"loud note, quiet next step", 0, 0, 100, {25, 50, 75, 100}},
        {"ceiling 40", 0, 60, 0, {25, 50}},
        // Step 31 with length 32: the tick wraps currentStep to 0 before the ramp runs.
        {"quiet note at the wrap", 31, 100, 0, {0}},
        {"loud note at the wrap", 31, 0, 100, {25, 50, 75, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.soundingStep(c.sounding);
        h.set(c.sounding, {{Row::VOL, c.ownVol}});
        const int next = (c.sounding + 1) % kSteps;
        h.set(next, {{Row::VOL, c.neighbourVol}});
        h.stepClock.play();
        const Nanos noteAt = milliseconds(200) * (c.sounding + 1);
        h.runUntil(noteAt + milliseconds(190));

        std::vector<int> levels;
        for (const Sample& s : h.attack)
            levels.push_back(s.level);
        EXPECT_EQ(levels, c.attackLevels);
        ASSERT_FALSE(h.decay.empty());
        EXPECT_EQ(h.decay.front().level, std::max(0, c.attackLevels.back() - 10));
    }
}

TEST(StepClock, CeilingIsReadAnewOnEveryAttackTick) {
    Harness h;
    h.soundingStep(0);
    h.stepClock.play();
    h.runUntil(milliseconds(200) + kTick * 2);  // levels 25, 50
    ASSERT_EQ(h.voice.envLevel, 50);

    h.set(1, {{Row::VOL, 100}});  // the step the red lamp marks: no effect
    h.runUntil(milliseconds(200) + kTick * 3);
    EXPECT_EQ(h.voice.envLevel, 75);
    EXPECT_TRUE(h.timer2.enabled());

    h.set(0, {{Row::VOL, 40}});  // ceiling 60, already passed: hand over without adding
    h.runUntil(milliseconds(200) + kTick * 4);
    EXPECT_EQ(h.attack.back().level, 75);
    EXPECT_FALSE(h.timer2.enabled());
    EXPECT_TRUE(h.timer4.enabled());
}

// The last attack tick may pass the ceiling by up to attackRate - 1; the decay starts from
// there. A note starting at or above its ceiling goes to the decay at its first attack tick.
TEST(StepClock, AttackOvershootsAndTheDecayStartsFromThePeak) {
    struct Case {
        const char* name;
        int atteck;
        int vol;
        int startLevel;
        std::vector<int> attackLevels;
    } cases[] = {
        {"7 towards 100", 7, 0, 0, {7, 14, 21, 28, 35, 42, 49, 56, 63, 70, 77, 84, 91, 98, 105}},
        {"24 towards 100", 24, 0, 0, {24, 48, 72, 96, 120}},
        {"1 lands exactly", 1, 97, 0, {1, 2, 3}},
        {"highest level: 99 + 25", 25, 0, 99, {124}},
        {"starts above its ceiling", 25, 10, 95, {95}},
        {"starts at its ceiling", 25, 10, 90, {90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.set(0, {{Row::Tone, 0}, {Row::Atteck, c.atteck}, {Row::VOL, c.vol}, {Row::Decay, 3}});
        h.voice.envLevel = static_cast<std::int16_t>(c.startLevel);
        h.stepClock.play();
        h.runUntil(milliseconds(200));
        EXPECT_EQ(h.voice.amp1, c.startLevel);  // the note starts where the level stands

        const int n = static_cast<int>(c.attackLevels.size());
        h.runUntil(milliseconds(200) + kTick * (n + 1));
        std::vector<int> levels;
        for (const Sample& s : h.attack)
            levels.push_back(s.level);
        EXPECT_EQ(levels, c.attackLevels);
        ASSERT_EQ(h.decay.size(), 1u);
        EXPECT_EQ(h.decay[0].level, c.attackLevels.back() - 3);
    }
}

// Length 1: every tick processes step 0, turns its lamp black and red again, and re-triggers the
// note from the level the last one had reached.
TEST(StepClock, LengthOneRetriggersStepZero) {
    Harness h;
    h.soundingStep(0);
    h.score.setLength(1);
    h.stepClock.play();
    h.runUntil(milliseconds(399));
    // Decay of the first note: from 100 at 262.5 ms, ticks at 278.125 .. 387.5 bring it to 20.
    ASSERT_EQ(h.voice.envLevel, 20);
    ASSERT_TRUE(h.timer4.enabled());
    h.changes.clear();

    h.runUntil(milliseconds(400));
    const std::vector<Shown> expected = {{Kind::Lamp, 0, false}, {Kind::Lamp, 0, true}};
    EXPECT_EQ(h.changes, expected);
    EXPECT_EQ(h.stepClock.currentStep(), 0);
    EXPECT_EQ(h.voice.amp1, 20);
    EXPECT_EQ(h.voice.amp2, 20);
    EXPECT_TRUE(h.timer2.enabled());
    EXPECT_FALSE(h.timer4.enabled());

    h.runUntil(milliseconds(400) + kTick * 3);
    const std::vector<Sample> retrigger = ramp(milliseconds(400), 3, 45, 25);
    EXPECT_EQ(std::vector<Sample>(h.attack.end() - 3, h.attack.end()), retrigger);
    EXPECT_TRUE(h.timer4.enabled());  // 95 >= 90
}

TEST(StepClock, ShorteningTheLengthBelowCurrentStepWrapsAfterIt) {
    Harness h;
    h.soundingStep(6, 3);
    h.stepClock.play();
    h.runUntil(milliseconds(1200));  // six ticks: steps 0..5 processed
    ASSERT_EQ(h.stepClock.currentStep(), 6);

    h.score.setLength(4);
    h.runUntil(milliseconds(1400));
    EXPECT_EQ(h.voice.pitch, 21);  // step 6 still played
    EXPECT_TRUE(h.indicators.marker(6));
    EXPECT_EQ(h.stepClock.currentStep(), 0);
    EXPECT_EQ(h.redLamps(), std::vector<int>{0});

    h.runUntil(milliseconds(2200));  // steps 0, 1, 2, 3, then 0 again
    EXPECT_EQ(h.stepClock.currentStep(), 0);
    EXPECT_EQ(h.stepPasses.size(), 11u);
}

// Play while playing (or after a stop) returns to step 0 but never turns a lamp black: only the
// step being processed has its lamp turned off. Play on a running clock leaves its tick grid
// alone; from the stopped state the next tick is a full interval away.
TEST(StepClock, PlayAgainRestartsAtStepZeroAndTheOldLampStaysRed) {
    struct Case {
        const char* name;
        bool stopFirst;
        Nanos nextTick;
    } cases[] = {{"while playing", false, milliseconds(800)},
                 {"after stop", true, milliseconds(850)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.stepClock.play();
        h.runUntil(milliseconds(650));  // three ticks
        ASSERT_EQ(h.redLamps(), std::vector<int>{3});
        if (c.stopFirst) h.stepClock.stop();

        h.stepClock.play();
        EXPECT_EQ(h.stepClock.currentStep(), 0);
        EXPECT_TRUE(h.indicators.playLamp());
        EXPECT_TRUE(h.stepClock.playing());
        EXPECT_EQ(h.redLamps(), std::vector<int>{3});

        h.runUntil(milliseconds(860));  // one more tick processes step 0
        ASSERT_EQ(h.stepPasses.size(), 4u);
        EXPECT_EQ(h.stepPasses.back().at, c.nextTick);
        EXPECT_EQ(h.stepClock.currentStep(), 1);
        EXPECT_EQ(h.redLamps(), (std::vector<int>{1, 3}));
    }
}

TEST(StepClock, FirstStepTickComesOneFullIntervalAfterPlay) {
    struct Case {
        const char* name;
        int tempo;
        Nanos playAt;
        Nanos firstTick;
    } cases[] = {
        {"start-up tempo", 200, Nanos(0), milliseconds(200)},
        {"off the timer grid", 200, milliseconds(1003), milliseconds(1203)},
        {"slowest", 1600, milliseconds(10), milliseconds(1610)},
        {"fastest is the granularity", 1, milliseconds(10), milliseconds(10) + kTick},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.stepClock.setTempo(c.tempo);
        h.runUntil(c.playAt);
        h.stepClock.play();
        h.runUntil(c.firstTick - Nanos(1));
        EXPECT_TRUE(h.stepPasses.empty());
        h.runUntil(c.firstTick);
        ASSERT_EQ(h.stepPasses.size(), 1u);
        EXPECT_EQ(h.stepPasses[0].at, c.firstTick);
    }
}

TEST(StepClock, TempoChangeAppliesFromTheNextTick) {
    Harness h;
    h.stepClock.play();
    h.runUntil(milliseconds(250));  // tick at 200
    h.stepClock.setTempo(100);
    h.runUntil(milliseconds(450));  // 300, 400
    h.stepClock.setTempo(500);
    h.runUntil(milliseconds(1000));  // 900
    std::vector<Nanos> times;
    for (const StepPass& p : h.stepPasses)
        times.push_back(p.at);
    const std::vector<Nanos> expected = {milliseconds(200), milliseconds(300), milliseconds(400),
                                         milliseconds(900)};
    EXPECT_EQ(times, expected);

    // The slider's range is 1..1600; 0 would stop the clock without a stop.
    h.stepClock.setTempo(0);
    EXPECT_EQ(h.timer3.interval(), 1);
    h.stepClock.setTempo(5000);
    EXPECT_EQ(h.timer3.interval(), 1600);
}

// Stop disables only the step clock: the note started before it runs its whole envelope.
TEST(StepClock, StopLetsTheNoteFinish) {
    Harness h;
    h.soundingStep(0);
    h.stepClock.play();
    h.runUntil(milliseconds(205));  // note started, no attack tick yet
    h.stepClock.stop();
    EXPECT_FALSE(h.indicators.playLamp());
    EXPECT_FALSE(h.stepClock.playing());

    h.runUntil(milliseconds(2000));
    EXPECT_EQ(h.attack, ramp(milliseconds(200), 4, 25, 25));
    EXPECT_EQ(h.decay, ramp(milliseconds(200) + kTick * 4, 10, 90, -10));
    EXPECT_EQ(h.stepPasses.size(), 1u);
    EXPECT_EQ(h.stepClock.currentStep(), 1);
    EXPECT_EQ(h.redLamps(), std::vector<int>{1});
    EXPECT_TRUE(h.indicators.marker(0));
}

// Decay 0 is a sustain: the ramp keeps ticking without effect, through a stop, until the next
// sounding step takes over.
TEST(StepClock, DecayZeroHoldsTheLevelAndSurvivesStop) {
    Harness h;
    h.soundingStep(0);
    h.set(0, {{Row::Decay, 0}});
    h.stepClock.play();
    h.runUntil(milliseconds(300));
    h.stepClock.stop();
    h.runUntil(milliseconds(5000));
    EXPECT_EQ(h.voice.envLevel, 100);
    EXPECT_TRUE(h.timer4.enabled());
    EXPECT_GT(h.decay.size(), 200u);
    for (const Sample& s : h.decay)
        EXPECT_EQ(s.level, 100);

    h.stepClock.play();
    h.runUntil(milliseconds(5200));  // step 0 sounds again
    EXPECT_FALSE(h.timer4.enabled());
    EXPECT_TRUE(h.timer2.enabled());
}

// The start-up score is all rests: the clock moves the lamps and refreshes the markers but
// never touches the voice or the envelope.
TEST(StepClock, AllRestPlaybackMovesIndicatorsOnly) {
    Harness h;
    h.indicators.setMarker(5, true);  // left over from an earlier sounding step
    h.stepClock.play();
    h.runUntil(milliseconds(200) * 40);

    EXPECT_EQ(h.stepPasses.size(), 40u);
    EXPECT_EQ(h.stepClock.currentStep(), 40 % 32);
    EXPECT_EQ(h.redLamps(), std::vector<int>{8});
    EXPECT_FALSE(h.indicators.marker(5));
    for (const StepPass& p : h.stepPasses)
        EXPECT_TRUE(p.lampOfCurrent);

    EXPECT_EQ(h.voice.pitch, 0);
    EXPECT_EQ(h.voice.envLevel, 0);
    EXPECT_EQ(h.voice.amp1, 0);
    EXPECT_EQ(h.voice.osc1Option, 0);
    EXPECT_EQ(h.voice.osc2Option, 0);
    EXPECT_EQ(h.voice.amRate1, 0);
    EXPECT_TRUE(h.stepAtCutRead.empty());
    EXPECT_TRUE(h.attack.empty());
    EXPECT_TRUE(h.decay.empty());
    EXPECT_EQ(h.stepClock.attackRate(), 0);
}

TEST(StepClock, ARestDoesNotCutASoundingNote) {
    Harness h;
    h.soundingStep(0);
    h.set(0, {{Row::Osc1, 2}, {Row::AM1, 30}});
    h.stepClock.setTempo(20);  // steps 1.. are rests and tick all through the envelope
    h.stepClock.play();
    h.runUntil(milliseconds(600));

    EXPECT_GE(h.stepPasses.size(), 15u);
    EXPECT_EQ(h.attack, ramp(milliseconds(20), 4, 25, 25));
    EXPECT_EQ(h.decay, ramp(milliseconds(20) + kTick * 4, 10, 90, -10));
    EXPECT_EQ(h.voice.pitch, 12);
    EXPECT_EQ(h.voice.osc1Option, 5);
    EXPECT_EQ(h.voice.amRate1, 70);
    EXPECT_FALSE(h.indicators.marker(1));
    EXPECT_TRUE(h.indicators.marker(0));
}

// The reset rewrites the score only: playback goes on at the same step and tempo, no further
// note starts, the sounding one decays, and the markers change only as the clock passes them.
TEST(StepClock, ResetWhilePlaying) {
    Harness h;
    h.soundingStep(0);
    h.soundingStep(1, 5);
    h.soundingStep(2, 7);
    h.stepClock.setTempo(100);
    h.stepClock.play();
    h.runUntil(milliseconds(210));  // steps 0 and 1 played, step 1's note in its attack
    ASSERT_EQ(h.voice.pitch, 19);
    ASSERT_TRUE(h.indicators.marker(0));
    ASSERT_TRUE(h.indicators.marker(1));

    h.stepClock.reset();
    EXPECT_TRUE(h.stepClock.playing());
    EXPECT_EQ(h.stepClock.currentStep(), 2);
    EXPECT_TRUE(h.indicators.marker(0));
    EXPECT_TRUE(h.indicators.marker(1));
    EXPECT_EQ(h.timer3.interval(), 100);
    EXPECT_EQ(h.score.cell(Row::Tone, 2), 24);

    h.runUntil(milliseconds(1000));
    EXPECT_EQ(h.voice.pitch, 19);  // step 2 was silenced before its tick
    EXPECT_EQ(h.stepAtCutRead.size(), 2u);
    EXPECT_TRUE(h.indicators.marker(0));
    // Step 1's note ran out: from 80 one attack tick to 105, then 10 per decay tick down to 0.
    EXPECT_EQ(h.voice.envLevel, 0);
    EXPECT_FALSE(h.timer2.enabled());
    EXPECT_FALSE(h.timer4.enabled());
    EXPECT_EQ(h.stepClock.attackRate(), 25);  // the note's own rates, not the reset's 10

    h.runUntil(milliseconds(100) * 33);  // step 0 processed again
    EXPECT_FALSE(h.indicators.marker(0));
    EXPECT_TRUE(h.indicators.marker(1));
}

TEST(StepClock, ResetWritesStepByStepInRowOrderThenTheLength) {
    Harness h;
    for (int s = 0; s < kSteps; ++s)
        h.set(s, {{Row::Tone, 3},
                  {Row::Osc1, 1},
                  {Row::Osc2, 1},
                  {Row::AM1, 1},
                  {Row::AM2, 1},
                  {Row::FM, 1},
                  {Row::VOL, 1},
                  {Row::Decay, 1},
                  {Row::Atteck, 1}});
    h.score.setLength(5);
    h.indicators.setMarker(7, true);
    h.voice.envLevel = 42;
    std::vector<StepParameterSet::Change> writes;
    h.score.addListener([&](const StepParameterSet::Change& c) { writes.push_back(c); });

    h.stepClock.reset();

    ASSERT_EQ(writes.size(), static_cast<std::size_t>(kSteps * kRows + 1));
    const std::pair<Row, int> resetRow[] = {{Row::Tone, 24}, {Row::Osc1, 0},   {Row::Osc2, 0},
                                            {Row::AM1, 100}, {Row::AM2, 100},  {Row::FM, 100},
                                            {Row::VOL, 10},  {Row::Decay, 10}, {Row::Atteck, 10}};
    for (int s = 0; s < kSteps; ++s)
        for (int r = 0; r < kRows; ++r) {
            const auto& w = writes[static_cast<std::size_t>(s * kRows + r)];
            SCOPED_TRACE(testing::Message() << "step " << s << " row " << r);
            EXPECT_FALSE(w.isLength);
            EXPECT_EQ(w.step, s);
            EXPECT_EQ(w.row, resetRow[r].first);
            EXPECT_EQ(w.value, resetRow[r].second);
        }
    EXPECT_TRUE(writes.back().isLength);
    EXPECT_EQ(h.score.length(), 32);
    EXPECT_TRUE(h.indicators.marker(7));
    EXPECT_EQ(h.voice.envLevel, 42);
    EXPECT_FALSE(h.stepClock.playing());
}

// What a sounding step puts into the voice: option 7 - Osc, rates 100 - cell, pitch 24 - Tone,
// the envelope rates as they are.
TEST(StepClock, SoundingStepLoadsTheVoice) {
    struct Case {
        int tone, osc1, osc2, am1, am2, fm, atteck, decay;
        int pitch, option1, option2, amRate1, amRate2, fmRate;
    } cases[] = {
        {0, 0, 7, 100, 0, 37, 1, 0, 24, 7, 0, 0, 100, 63},
        {23, 7, 0, 0, 100, 100, 25, 25, 1, 0, 7, 100, 0, 0},
        {10, 3, 5, 45, 46, 47, 13, 4, 14, 4, 2, 55, 54, 53},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tone " << c.tone << " osc " << c.osc1 << "/" << c.osc2);
        Harness h;
        h.set(0, {{Row::Tone, c.tone},
                  {Row::Osc1, c.osc1},
                  {Row::Osc2, c.osc2},
                  {Row::AM1, c.am1},
                  {Row::AM2, c.am2},
                  {Row::FM, c.fm},
                  {Row::Atteck, c.atteck},
                  {Row::Decay, c.decay}});
        h.stepClock.play();
        h.runUntil(milliseconds(200));
        EXPECT_EQ(h.voice.pitch, c.pitch);
        EXPECT_EQ(h.voice.osc1Option, c.option1);
        EXPECT_EQ(h.voice.osc2Option, c.option2);
        EXPECT_EQ(h.voice.amRate1, c.amRate1);
        EXPECT_EQ(h.voice.amRate2, c.amRate2);
        EXPECT_EQ(h.voice.fmRate, c.fmRate);
        EXPECT_EQ(h.stepClock.attackRate(), c.atteck);
        EXPECT_EQ(h.stepClock.decayRate(), c.decay);
        EXPECT_TRUE(h.indicators.marker(0));
    }
}

// The "Expand" sliders are read when a note starts, not at rests and not afterwards.
TEST(StepClock, CutsAreCopiedFromTheExpandSlidersAtEachNote) {
    Harness h;
    h.soundingStep(0);
    h.soundingStep(2);
    h.expand1 = 1234;
    h.expand2 = 2000;
    h.stepClock.play();
    h.runUntil(milliseconds(200));
    EXPECT_EQ(h.voice.cut1, 1234);
    EXPECT_EQ(h.voice.cut2, 2000);

    h.expand1 = 0;
    h.expand2 = 17;
    h.runUntil(milliseconds(400));  // step 1 is a rest
    EXPECT_EQ(h.voice.cut1, 1234);
    EXPECT_EQ(h.voice.cut2, 2000);
    h.runUntil(milliseconds(600));
    EXPECT_EQ(h.voice.cut1, 0);
    EXPECT_EQ(h.voice.cut2, 17);

    // Out of the sliders' 0..2000 the value is held at the nearer end.
    h.expand1 = 2500;
    h.expand2 = -5;
    h.runUntil(milliseconds(200) * 33);  // step 0 again
    EXPECT_EQ(h.voice.cut1, 2000);
    EXPECT_EQ(h.voice.cut2, 0);
}

// One tick: the processed step's lamp off and marker refreshed before the voice is loaded,
// currentStep advanced after it, the new lamp red, and then exactly one synthesis pass.
TEST(StepClock, StepTickOrder) {
    Harness h;
    h.soundingStep(2);
    h.stepClock.play();
    h.runUntil(milliseconds(500));  // steps 0, 1 processed: lamp 2 red
    h.changes.clear();
    const int passesBefore = h.passes;

    h.runUntil(milliseconds(600));
    const std::vector<Shown> expected = {
        {Kind::Lamp, 2, false}, {Kind::Marker, 2, true}, {Kind::Lamp, 3, true}};
    EXPECT_EQ(h.changes, expected);
    EXPECT_EQ(h.stepAtCutRead, std::vector<int>{2});  // loaded before the advance
    ASSERT_EQ(h.stepPasses.size(), 3u);
    EXPECT_EQ(h.stepPasses.back().at, milliseconds(600));
    EXPECT_EQ(h.stepPasses.back().currentStep, 3);
    EXPECT_TRUE(h.stepPasses.back().lampOfCurrent);
    // Timer1 ticks at multiples of 15.625 ms: 38.4 -> 38 ticks by 600 ms, 32 by 500 ms.
    EXPECT_EQ(h.passes - passesBefore, (38 - 32) + 1);
}

// The computer keyboard starts a note with the settings of a step and a pitch of its own; the
// ceiling then comes from that step.
TEST(StepClock, LoadVoiceStartsANoteWithoutTheStepClock) {
    Harness h;
    h.set(0, {{Row::Osc1, 6}, {Row::Atteck, 20}, {Row::VOL, 50}});  // Tone stays 24
    h.stepClock.loadVoice(h.stepClock.currentStep(), 9);
    EXPECT_EQ(h.voice.pitch, 9);
    EXPECT_EQ(h.voice.osc1Option, 1);
    EXPECT_TRUE(h.timer2.enabled());
    EXPECT_EQ(h.timer2.interval(), 1);
    EXPECT_FALSE(h.stepClock.playing());
    h.runUntil(kTick * 3);
    std::vector<int> levels;
    for (const Sample& s : h.attack)
        levels.push_back(s.level);
    EXPECT_EQ(levels, (std::vector<int>{20, 40, 60}));  // ceiling 50
    EXPECT_TRUE(h.timer4.enabled());

    h.stepClock.loadVoice(32, 3);  // no such step: nothing happens
    h.stepClock.loadVoice(-1, 3);
    EXPECT_EQ(h.voice.pitch, 9);
}

}  // namespace
}  // namespace tavrilo
