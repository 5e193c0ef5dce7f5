// The instrument without a window, on a stepped clock, with fake sound and meter.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "app/Instrument.h"
#include "support/Fakes.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

struct Rig {
    SteppedClock clock;
    test::FakeSound sound{clock};
    test::FakeMeter meter;
    test::FakeSession session{clock};
    Instrument in{clock, sound, meter, {&session}};

    void advance(int ms) { in.timers().runUntil(clock, clock.now() + milliseconds(ms)); }
    // Whole cycles in loop 0: its rises through the centre line; 0 when silent.
    int cycles() const {
        const auto& t = sound.tables[0];
        int rises = 0;
        for (std::size_t i = 0; i < t.size(); ++i)
            rises += t[i] <= 128 && t[(i + 1) % t.size()] > 128;
        return rises;
    }
    bool silent() const {
        return sound.tables[0] == sound.tables[1] &&
               std::ranges::count(sound.tables[0], 128) == kLoopBytes;
    }
    // A left-button stroke at height y across the columns of steps `from` to `to`.
    void stroke(int from, int to, float y) {
        in.beginStroke(1, static_cast<float>(from * 240), y);
        for (int s = from; s <= to; ++s)
            in.moveStroke(1, static_cast<float>(s * 240), y);
        in.endStroke(1);
    }
};

// Start-up plays both loops and writes every row's start-up value into all 32 steps and the
// length 32; "reset" does the same whatever the score held, but for the attack.
TEST(Instrument, StartsAsDesignedAndResetsEveryCell) {
    Rig r;
    ASSERT_TRUE(r.in.startUp());
    EXPECT_EQ(r.sound.playing, 3u);
    EXPECT_EQ(r.in.drawing().penColor(), colors::white);
    r.advance(100);  // nothing to play: the synthesis sleeps from the start
    EXPECT_FALSE(r.in.stepTimer().enabled() || r.in.decayTimer().enabled() ||
                 r.in.synthesisTimer().enabled());
    std::mt19937 rng(3);
    for (int fill = 0; fill < 2; ++fill) {
        //                    Tone Osc1 Osc2 AM1  AM2  FM  VOL Decay Atteck
        const int values[] = {24, 0, 0, 100, 100, 100, 10, 10, fill == 0 ? 25 : 10};
        for (Row row : kAllRows)
            for (int s = 0; s < kSteps; ++s)
                ASSERT_EQ(r.in.score().cell(row, s), values[static_cast<int>(row)])
                    << fill << " " << s;
        EXPECT_EQ(r.in.score().length(), 32);
        for (int n = 0; n < 3000; ++n)
            r.in.score().setCell(kAllRows[rng() % kRows], static_cast<int>(rng() % kSteps),
                                 int(rng() % 101));
        r.in.score().setLength(5);
        r.in.resetScore();
    }
}

// A grey stroke at Y 2100 (Tone 10) over steps 0..3, then play: each step is heard as 14 cycles
// per loop from its step tick on, and after stop the note dies away on its own. A release of the
// pen stops the attack ramp; closing the window releases the sound and stops every timer.
TEST(Instrument, ADrawnToneSoundsFromTheStepClockAndDiesAfterStop) {
    Rig r;
    ASSERT_TRUE(r.in.startUp());
    Instrument& in = r.in;
    in.pickChalk(0);
    r.stroke(0, 3, 2100);
    in.score().setCell(Row::Decay, 0, 0), in.score().setCell(Row::Tone, 1, 4);
    in.play();
    r.advance(199);
    EXPECT_TRUE(r.silent());
    r.advance(60);  // the step tick at 200, attack ticks to 25, 50, 75 and 100 by 250 ms
    EXPECT_EQ(r.cycles(), 14);
    EXPECT_EQ(r.meter.shownBars[2], 100);  // o1VU
    r.advance(141);  // held at 100, step 1 (pitch 20) heard from its tick, between two ticks
    EXPECT_EQ(r.cycles(), 20);
    r.advance(459);
    in.stop();
    const int step = in.stepClock().currentStep();
    r.advance(600);
    EXPECT_TRUE(r.silent());
    EXPECT_EQ(in.stepClock().currentStep(), step);
    EXPECT_TRUE(in.noteKeyPressed(0, U'z', false) && in.attackTimer().enabled());
    r.stroke(10, 20, 4000);
    EXPECT_FALSE(in.attackTimer().enabled());
    in.shutDown();
    EXPECT_FALSE(r.sound.opened || in.synthesisTimer().enabled() || in.attackTimer().enabled() ||
                 in.stepTimer().enabled() || in.decayTimer().enabled());
}

// Three rows of eight keys play pitch 1 to 24 by X11 keycode, or without one by letter, at once;
// an auto-repeat starts nothing. The sound device rests only in the background, two seconds into
// a silence while stopped, and wakes as a window becomes active; in the foreground it never rests.
TEST(Instrument, NoteKeysPlayAtTheirPitchAndTheDeviceRestsOnlyInTheBackground) {
    Rig r;
    ASSERT_TRUE(r.in.startUp());
    for (std::uint32_t code : {23u, 32u, 37u, 46u, 51u, 60u})  // beside the three rows
        EXPECT_FALSE(r.in.noteKeyPressed(code, U'Q', false));
    EXPECT_TRUE(r.in.noteKeyPressed(24, U'Q', false));  // pitch 17
    r.advance(40);
    EXPECT_EQ(r.cycles(), 17);
    EXPECT_TRUE(r.in.noteKeyPressed(0, U'z', false));  // pitch 1, heard at once
    EXPECT_EQ(r.cycles(), 1);
    EXPECT_TRUE(r.in.noteKeyPressed(0, U'x', true));
    EXPECT_EQ(r.in.voice().pitch, 1);
    r.advance(5000);
    EXPECT_FALSE(r.sound.resting);
    r.in.play(), r.in.setForeground(false);
    r.advance(3000);
    EXPECT_FALSE(r.sound.resting);
    r.in.stop();
    r.advance(1900);
    EXPECT_FALSE(r.sound.resting);
    r.advance(200);
    EXPECT_TRUE(r.sound.resting);
    r.in.setForeground(true);
    EXPECT_FALSE(r.sound.resting);
}

// The synthesis timer sleeps, yet tick for tick the sound and the meter are what they are with a
// timer that never sleeps, whatever the user does: steps, notes, strokes, sliders, reset, slots,
// pasted tunes, the window going to the background and back.
TEST(Instrument, TheSynthesisSleepsWithoutMissingAChange) {
    Rig sleeper, awake;
    awake.in.keepSynthesisAwake();
    ASSERT_TRUE(sleeper.in.startUp() && awake.in.startUp());
    std::mt19937 rng(22);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    for (int n = 0; n < 3000; ++n) {
        const int action = pick(0, 11), a = pick(0, 31), b = pick(0, 400);
        const int ms = pick(0, 3) ? b % 60 : b * 5;
        Tune tune = sleeper.in.tune();  // the same in both, as everything else
        tune.cells[std::size_t(a % kRows)][std::size_t(a)] = b % 25;
        for (Rig* r : {&sleeper, &awake}) {
            Instrument& in = r->in;
            switch (action) {
                case 0: in.play(); break;
                case 1: in.stop(); break;
                case 2: in.noteKeyPressed(0, U"zxcvbnmasdfgqwerty"[a % 18], false); break;
                case 3:
                    in.pickChalk(a % kChalks), r->stroke(a % 8, a % 8 + b % 5, float(b * 12));
                    break;
                case 4: in.score().setCell(kAllRows[std::size_t(a % kRows)], a, b % 101); break;
                case 5: in.settings().expand1.set(b * 5); break;
                case 6: in.settings().tempo.set(b + 10); break;
                case 7: in.resetScore(); break;
                case 8: a % 2 ? in.storePattern(a % 6) : in.recallPattern(b % 6); break;
                case 9: in.pasteTune(tune); break;
                case 10: in.setForeground(a % 2); break;
                default: break;
            }
            r->advance(ms);
        }
        ASSERT_EQ(sleeper.sound.tables, awake.sound.tables) << n << " after action " << action;
        ASSERT_EQ(sleeper.meter.shownBars, awake.meter.shownBars) << n;
    }
    sleeper.in.stop();
    sleeper.advance(3000);
    EXPECT_FALSE(sleeper.in.synthesisTimer().enabled());  // it does sleep
}

// Joined at the slider's tempo (200 ms a step is 75 bpm), a session found playing is not joined
// until play here; a peer's tempo shows as ms per step, clamped, never pushed back at the
// session; a peer's start plays step n at beat n/4 from the next bar, computed 10 ms (the output
// latency) and half a 64 Hz tick (7.8125 ms) early; a stall skips the missed steps and stays in
// phase; the peer's stop stops; play and Speed here reach the session.
//
// Switching the clock while a sequence plays keeps its time: from the internal clock at 131 ms a
// step to Link (alone, so the session takes 114.5 bpm and the sequence's timeline) and back, every
// step comes 131 ms after the one before. Under Link a note from silence is heard on its beat: a
// note every fourth step lasts 33.54 of the 64 Hz ticks, so the notes fall anywhere between
// ticks, yet the first sound of each, plus the output latency, lies within half a tick of its beat
// and on average on it.
TEST(Instrument, FollowsALinkSessionBothWaysAndKeepsTimeThroughASwitch) {
    Rig r;
    ASSERT_TRUE(r.in.startUp());
    r.sound.latency = milliseconds(10);
    std::vector<std::pair<Nanos, StepTiming>> played;  // when each step ticked, and its timing
    Subscription log = r.in.stepClock().stepped.connect([&](const StepTiming& t) {
        played.push_back({r.clock.now(), t});
    });
    const StepClock& steps = r.in.stepClock();
    r.session.isPlaying = true, r.session.startedAt = -std::chrono::seconds(1);
    r.in.useStepSource(Instrument::StepSourceKind::Link);
    EXPECT_TRUE(r.session.joined && !steps.running());  // playing since before: not a start
    r.session.isPlaying = false;
    EXPECT_DOUBLE_EQ(r.session.bpm, 75.0);
    const std::pair<double, int> shown[] = {
        {123, 122}, {5, 1600}, {NAN, 1600}, {20000, 1}, {100, 150}};
    for (const auto& [bpm, ms] : shown) {
        r.session.setTempo(bpm, r.clock.now());
        r.in.linkChanged();
        EXPECT_EQ(r.in.settings().tempo.value(), ms) << bpm;
        EXPECT_TRUE(r.session.shown == bpm || std::isnan(bpm)) << bpm;
    }

    r.advance(1003);
    r.session.setPlaying(true, r.clock.now());  // beat 1.67: the bar starts at beat 4, t = 2.4 s
    r.in.linkChanged();
    r.advance(3097);  // to 4.1 s
    ASSERT_EQ(played.size(), 12u);
    for (std::size_t n = 0; n < played.size(); ++n) {
        const auto beat = milliseconds(2400) + n * milliseconds(150);
        EXPECT_EQ(played[n].second.heard, beat) << n;
        EXPECT_EQ(played[n].second.period, milliseconds(150)) << n;
        EXPECT_EQ(played[n].first, beat - Nanos(17'812'500)) << n;
    }
    r.clock.advance(milliseconds(1000));  // a stall: steps 12..17 missed
    r.advance(1);
    ASSERT_EQ(played.size(), 13u);
    EXPECT_EQ(played.back().second.heard, milliseconds(2400 + 18 * 150));
    EXPECT_EQ(steps.currentStep(), 19);

    r.session.setPlaying(false, r.clock.now());
    r.in.linkChanged();
    r.advance(1000);
    EXPECT_TRUE(!steps.running() && played.size() == 13u);
    r.in.settings().tempo.set(125);
    Tune shared = r.in.tune();
    shared.tempo = 90;  // a pasted tune leaves the session's tempo alone
    r.in.pasteTune(shared);
    EXPECT_TRUE(r.session.bpm == 120.0 && r.in.settings().tempo.value() == 125);
    r.in.play();  // at beat 10.17: on the next bar, beat 12, 0.92 s away
    EXPECT_TRUE(r.session.isPlaying && steps.running() && steps.currentStep() == 0);
    const Nanos bar = r.session.timeAt(0);
    r.advance(1500);
    ASSERT_EQ(played.size(), 18u);
    EXPECT_EQ(played[13].second.heard, bar);
    r.in.stop();
    r.session.peerCount = 0;  // alone: play starts at once, as soon as step 0 can be heard
    r.in.play();
    EXPECT_EQ(played.back().second.heard, r.clock.now() + Nanos(17'812'500));
    r.in.stop(), r.session.peerCount = 1;
    r.session.setPlaying(true, r.clock.now());  // a peer's start, seen 0.3 s late: the next bar
    r.clock.advance(milliseconds(300));
    r.in.linkChanged();
    const Nanos nextBar = r.session.timeAt(4);
    std::size_t first = played.size();
    r.advance(3000);
    ASSERT_GT(played.size(), first);
    EXPECT_EQ(played[first].second.heard, nextBar);

    r.in.useStepSource(Instrument::StepSourceKind::Internal);
    EXPECT_TRUE(!r.session.joined && steps.running());
    r.session.peerCount = 0;
    for (int s = 0; s < kSteps; ++s)
        for (auto [row, v] : {std::pair{Row::Tone, s % 4 ? 24 : 12}, {Row::Decay, 25}})
            r.in.score().setCell(row, s, v);
    r.in.settings().tempo.set(131);
    r.advance(1000);
    first = played.size();
    r.in.useStepSource(Instrument::StepSourceKind::Link);
    EXPECT_DOUBLE_EQ(r.session.bpm, 15000.0 / 131);
    const std::size_t before = r.sound.sounded.size();
    r.advance(17000);
    const std::vector<Nanos> onsets(r.sound.sounded.begin() + long(before), r.sound.sounded.end());
    r.in.useStepSource(Instrument::StepSourceKind::Internal);
    const std::size_t underLink = played.size();
    r.advance(2000);
    EXPECT_GE(played.size() - underLink, 15u);  // 2 s of 131 ms steps
    for (std::size_t i = first; i < played.size(); ++i)
        EXPECT_NEAR(double((played[i].first - played[i - 1].first).count()) / 1e6, 131.0, 0.01)
            << i;

    const Nanos beat0 = r.session.timeAt(0), step = milliseconds(131);
    ASSERT_GE(onsets.size(), 30u);
    double sum = 0;
    for (const Nanos onset : onsets) {
        const Nanos heard = onset + r.sound.latency;
        const auto k = std::llround(double((heard - beat0).count()) / double(step.count()));
        const double error = double((heard - beat0 - k * step).count()) / 1e6;
        EXPECT_TRUE(k % 4 == 0 && std::abs(error) <= 7.82) << k << " " << error;
        sum += error;
    }
    EXPECT_LE(std::abs(sum / double(onsets.size())), 1.0);
}

#ifndef NDEBUG
TEST(InstrumentDeathTest, HandlersStopTheProgramOffTheUiThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Rig r;
    EXPECT_DEATH(std::thread([&] { r.in.play(); }).join(), "UI thread");
}
#endif

}  // namespace
}  // namespace tavrilo
