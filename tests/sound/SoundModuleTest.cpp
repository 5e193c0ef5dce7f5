#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/Clock.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

// Renders one sample from the module's loops; the device stays paused (no Play) so the test
// is the only reader.
std::int16_t firstSample(modSynth_DX7& sound) {
    std::int16_t out[1];
    sound.mixer().render(out, 1);
    return out[0];
}

class SoundModule : public ::testing::Test {
protected:
    SteppedClock clock;
    modSynth_DX7 sound{clock};
    void SetUp() override {
        ASSERT_TRUE(sound.InitSound()) << sound.lastError();
        sound.mixer().play(0);
        sound.mixer().play(1);
    }
};

TEST_F(SoundModule, OpensADeviceWithAShortPeriod) {
    EXPECT_TRUE(sound.isOpen());
    EXPECT_GT(sound.devicePeriodFrames(), 0);
    EXPECT_LE(sound.devicePeriodFrames(), 256);
    EXPECT_EQ(firstSample(sound), 0);  // both loops start silent
}

TEST_F(SoundModule, WriteWithABadIndexThrowsAndWritesNothing) {
    std::vector<std::uint8_t> loud(kLoopBytes, 255);
    for (std::int16_t index : {std::int16_t{2}, std::int16_t{-1}, std::int16_t{32767}})
        EXPECT_THROW(sound.WriteSoundBuffer(index, loud), std::out_of_range) << index;
    EXPECT_EQ(firstSample(sound), 0);
}

TEST_F(SoundModule, OnlyTheFirst360BytesOfALongerTableAreSent) {
    std::vector<std::uint8_t> table(361, 128);
    table[0] = 129;
    table[359] = 131;
    table[360] = 255;  // must never be heard
    sound.WriteSoundBuffer(0, table);
    std::vector<std::int16_t> out(2 * kLoopBytes);
    sound.mixer().render(out.data(), static_cast<int>(out.size()));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int expected = i % kLoopBytes == 0 ? 128 : i % kLoopBytes == 359 ? 384 : 0;
        ASSERT_EQ(out[i], expected) << i;
    }
}

TEST_F(SoundModule, AShorterTableIsRefusedRatherThanReadPastItsEnd) {
    std::vector<std::uint8_t> shortTable(100, 200);
    EXPECT_THROW(sound.WriteSoundBuffer(1, shortTable), std::length_error);
    EXPECT_THROW(sound.WriteSoundBuffer(1, {}), std::length_error);
    EXPECT_EQ(firstSample(sound), 0);
}

TEST_F(SoundModule, ReleaseTwiceIsHarmlessAndWritesAfterwardsFail) {
    sound.ReleaseSound();
    EXPECT_FALSE(sound.isOpen());
    sound.ReleaseSound();
    std::vector<std::uint8_t> table(kLoopBytes, 128);
    EXPECT_THROW(sound.WriteSoundBuffer(0, table), std::logic_error);
    EXPECT_THROW(sound.Play(0), std::logic_error);
    // And it opens again.
    EXPECT_TRUE(sound.InitSound());
}

// The device thread measures itself: a running device counts its callbacks and their worst
// duration. (SDL's dummy driver calls back at the real-time pace of the stream.)
TEST(SoundCallbackStats, ARunningDeviceCountsItsCallbacks) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    ASSERT_TRUE(sound.InitSound()) << sound.lastError();
    EXPECT_EQ(sound.callbackStats().callbacks, 0u);
    sound.Play(0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sound.callbackStats().callbacks < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    const auto stats = sound.callbackStats();
    EXPECT_GE(stats.callbacks, 3u);
    EXPECT_GT(stats.worstDuration.count(), 0);
    EXPECT_GT(stats.worstCpuTime.count(), 0);
    EXPECT_LE(stats.worstCpuTime, stats.worstDuration + std::chrono::microseconds(50));
    EXPECT_GT(stats.worstGap.count(), 0);
    sound.ReleaseSound();
}

TEST(SoundClock, CountsSecondsSinceTheOriginInSinglePrecision) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    EXPECT_EQ(sound.ClockSeconds(), 0.0f);
    clock.set(std::chrono::milliseconds(1500));
    EXPECT_EQ(sound.ClockSeconds(), 1.5f);
    clock.set(std::chrono::nanoseconds(100'000'000'123));  // 100 s and a little
    EXPECT_EQ(sound.ClockSeconds(), static_cast<float>(100.000000123));
    // Three hours in, single precision still resolves better than a millisecond.
    clock.set(std::chrono::hours(3));
    const float a = sound.ClockSeconds();
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_GT(sound.ClockSeconds(), a);
}

TEST(SoundInit, FailsWithTheReasonWhenNoDriverWorks) {
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    EXPECT_FALSE(sound.InitSound());
    EXPECT_FALSE(sound.isOpen());
    EXPECT_FALSE(sound.lastError().empty());
    sound.ReleaseSound();
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
}

}  // namespace
}  // namespace tavrilo
