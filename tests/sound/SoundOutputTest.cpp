#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "common/Clock.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

// The module on SDL's dummy driver. Its loops are rendered here directly: nothing has unpaused
// the device, so the test is their one reader.
TEST(SoundModule, TakesTheFirst360BytesAndRefusesWhatItCannotPlay) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    ASSERT_TRUE(sound.InitSound()) << sound.lastError();
    sound.mixer().play(0);
    sound.mixer().play(1);
    std::vector<std::uint8_t> table(361, 128);
    table[0] = 129;
    table[359] = 131;
    table[360] = 255;  // never heard
    sound.WriteSoundBuffer(0, table);
    const std::vector<std::uint8_t> loud(kLoopBytes, 255);
    for (std::int16_t index : {std::int16_t{2}, std::int16_t{-1}})
        EXPECT_THROW(sound.WriteSoundBuffer(index, loud), std::out_of_range) << index;
    EXPECT_THROW(sound.WriteSoundBuffer(1, std::vector<std::uint8_t>(100, 200)), std::length_error);
    std::vector<std::int16_t> out(2 * kLoopBytes);
    sound.mixer().render(out.data(), static_cast<int>(out.size()));
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], i % kLoopBytes == 0 ? 128 : i % kLoopBytes == 359 ? 384 : 0) << i;

    // Only silent loops let the device rest; silence keeps it resting, sound wakes it.
    sound.Rest();
    EXPECT_FALSE(sound.resting());
    const std::vector<std::uint8_t> silence(kLoopBytes, 128);
    sound.WriteSoundBuffer(0, silence);
    sound.Rest();
    EXPECT_TRUE(sound.resting());
    sound.WriteSoundBuffer(1, silence);
    EXPECT_TRUE(sound.resting());
    sound.WriteSoundBuffer(1, table);
    EXPECT_FALSE(sound.resting());

    sound.ReleaseSound();
    sound.ReleaseSound();  // twice is harmless
    EXPECT_THROW(sound.WriteSoundBuffer(0, loud), std::logic_error);
    EXPECT_TRUE(sound.InitSound());
}

TEST(SoundModule, FailsToOpenWithTheReasonAndCountsSecondsInSinglePrecision) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(sound.InitSound());
    EXPECT_FALSE(sound.isOpen());
    EXPECT_FALSE(sound.lastError().empty());
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);

    clock.set(std::chrono::milliseconds(1500));
    EXPECT_EQ(sound.ClockSeconds(), 1.5f);
    clock.set(std::chrono::hours(3));  // still finer than a millisecond
    const float a = sound.ClockSeconds();
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_GT(sound.ClockSeconds(), a);
}

}  // namespace
}  // namespace tavrilo
