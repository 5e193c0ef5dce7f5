// The instrument without a window: a stepped clock, a sound device that keeps what it is given
// and a meter that keeps the last picture.
#include <gtest/gtest.h>

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
    Instrument instrument{clock, sound, meter};

    void advance(milliseconds dt) { instrument.timers().runUntil(clock, clock.now() + dt); }
    // Whole cycles of a loop: its rises through the centre line.
    int cycles(int loop) const {
        const auto& t = sound.tables[static_cast<std::size_t>(loop)];
        int rises = 0;
        for (std::size_t i = 0; i < t.size(); ++i)
            rises += t[i] <= kSilentByte && t[(i + 1) % t.size()] > kSilentByte;
        return rises;
    }
    bool silent() const {
        for (const auto& t : sound.tables)
            if (std::count(t.begin(), t.end(), kSilentByte) != kLoopBytes) return false;
        return true;
    }
    // A left-button stroke at height y across the columns of steps `from` to `to`.
    void stroke(int from, int to, float y) {
        Instrument& in = instrument;
        in.Picdraw_MouseDown(1, 0, static_cast<float>(from * 240), y);
        for (int s = from; s <= to; ++s)
            in.Picdraw_MouseMove(1, 0, static_cast<float>(s * 240), y);
        in.Picdraw_MouseUp(1, 0, static_cast<float>(to * 240), y);
    }
};

TEST(Instrument, StartsAsDesignedOrNotAtAllWithoutSound) {
    Rig r;
    r.sound.opens = false;
    EXPECT_FALSE(r.instrument.Form_Load());
    EXPECT_EQ(r.sound.playing, 0u);
    EXPECT_EQ(r.instrument.settings().tempo.value(), 1);
    EXPECT_EQ(r.instrument.score().cell(Row::Tone, 0), 0);  // never filled

    Rig s;
    ASSERT_TRUE(s.instrument.Form_Load());
    EXPECT_EQ(s.sound.playing, 3u);  // both loops
    const Instrument& in = s.instrument;
    EXPECT_EQ(in.drawing().penColor(), colors::white);
    EXPECT_EQ(in.score().cell(Row::Atteck, 31), 25);
    EXPECT_EQ(in.score().length(), 32);
    // The tempo slider's 200 reaches the step clock; the ramps wait for a note.
    const std::pair<const TimerService::Timer&, std::pair<int, bool>> timers[] = {
        {in.Timer1(), {1, true}},
        {in.Timer2(), {0, true}},
        {in.Timer3(), {200, false}},
        {in.Timer4(), {0, false}}};
    for (const auto& [timer, state] : timers)
        EXPECT_EQ(std::pair(timer.interval(), timer.enabled()), state);
    s.advance(milliseconds(100));
    EXPECT_TRUE(s.silent());
}

// A grey stroke at Y 2100 (Tone 10) over steps 0..3, then play: each step is heard as 14 cycles
// per loop from its step tick on, the meter shows it, and after stop the note dies away on its
// own. Mode "1" then writes only the step the clock plays next.
TEST(Instrument, ADrawnToneSoundsFromTheStepClockAndDiesAfterStop) {
    Rig r;
    ASSERT_TRUE(r.instrument.Form_Load());
    Instrument& in = r.instrument;
    in.lblcolor_Click(0);
    r.stroke(0, 3, 2100);
    in.cmdplay_Click();
    EXPECT_TRUE(in.indicators().playLamp());
    r.advance(milliseconds(199));
    EXPECT_TRUE(r.silent());
    r.advance(milliseconds(60));  // the step tick at 200 and the first attack ticks
    EXPECT_EQ(r.cycles(0), 14);
    EXPECT_GT(r.meter.shownBars[2], 20);  // o1VU
    EXPECT_TRUE(in.indicators().lamp(1));
    r.advance(milliseconds(600));
    in.cmdstop_Click();
    const int step = in.stepClock().currentStep();
    r.advance(milliseconds(600));
    EXPECT_TRUE(r.silent());
    EXPECT_EQ(in.stepClock().currentStep(), step);

    EXPECT_TRUE(in.notePressed(0, U'z', false));
    EXPECT_TRUE(in.Timer2().enabled());
    in.optraw_Click(0);
    r.stroke(10, 20, 4000);  // Tone 20 at the play step only
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(in.score().cell(Row::Tone, s), s == step ? 20 : s < 4 ? 10 : 24) << s;
    EXPECT_EQ(in.drawing().Sliderdraw(), 20);
    EXPECT_FALSE(in.Timer2().enabled());  // every release stops the attack ramp
}

// Note keys sound with their own pitch (a new note at once, from the level the last one reached),
// auto-repeats start nothing, other keys are not taken.
TEST(Instrument, NoteKeysPlayAtTheirPitch) {
    Rig r;
    ASSERT_TRUE(r.instrument.Form_Load());
    Instrument& in = r.instrument;
    EXPECT_FALSE(in.notePressed(32, U'O', false));
    EXPECT_TRUE(in.notePressed(24, U'Q', false));  // pitch 17, by its place
    r.advance(milliseconds(40));
    EXPECT_EQ(r.cycles(0), 17);
    EXPECT_TRUE(in.notePressed(0, U'z', false));  // pitch 1, by its letter, heard at once
    EXPECT_EQ(r.cycles(0), 1);
    EXPECT_TRUE(in.notePressed(0, U'x', true));  // a repeat: taken, but no new note
    EXPECT_EQ(in.voice().pitch, 1);
}

// Two seconds into a silence with the transport stopped, the sound device may rest; sound wakes
// it. A running sequence never lets it rest, even through rests.
TEST(Instrument, TheSoundDeviceRestsOnlyInALongSilenceWhileStopped) {
    Rig r;
    ASSERT_TRUE(r.instrument.Form_Load());
    Instrument& in = r.instrument;
    in.cmdplay_Click();
    r.advance(milliseconds(3000));
    EXPECT_FALSE(r.sound.resting);
    in.cmdstop_Click();
    r.advance(milliseconds(1900));
    EXPECT_FALSE(r.sound.resting);
    r.advance(milliseconds(200));
    EXPECT_TRUE(r.sound.resting);
    in.notePressed(0, U'q', false);
    r.advance(milliseconds(40));
    EXPECT_FALSE(r.sound.resting);
}

// "new" clears only the picture; closing the window releases the sound and stops every timer.
TEST(Instrument, NewClearsTheBoardAndUnloadStopsEverything) {
    Rig r;
    ASSERT_TRUE(r.instrument.Form_Load());
    Instrument& in = r.instrument;
    int cleared = 0;
    Subscription s = in.boardCleared.connect([&] { ++cleared; });
    in.lblcolor_Click(0);
    r.stroke(0, 1, 2100);
    in.cmdplay_Click();
    in.cmdnew_Click();
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(in.drawing().position(), BoardPoint{});
    EXPECT_EQ(in.score().cell(Row::Tone, 1), 10);
    in.Form_Unload();
    EXPECT_FALSE(r.sound.open);
    for (const TimerService::Timer* t : {&in.Timer1(), &in.Timer2(), &in.Timer3(), &in.Timer4()})
        EXPECT_FALSE(t->enabled());
}

#ifndef NDEBUG
TEST(InstrumentDeathTest, HandlersStopTheProgramOffTheUiThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Rig r;
    EXPECT_DEATH(std::thread([&] { r.instrument.cmdplay_Click(); }).join(), "UI thread");
}
#endif

}  // namespace
}  // namespace tavrilo
