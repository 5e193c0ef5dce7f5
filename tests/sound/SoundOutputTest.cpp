// What leaves the synthesis: the sound module's loops and the meter's pictures.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "common/Clock.h"
#include "sound/MeterCanvas.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

// On SDL's dummy driver; the loops are rendered here directly (nothing has unpaused the device,
// so the test is their one reader). Only the first 360 bytes of a table are heard; a bad index
// or a short table is refused. Silent loops let the device rest; sound or wake() wakes it.
TEST(SoundModule, PlaysTheFirst360BytesRefusesWhatItCannotAndRestsInSilence) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    ASSERT_TRUE(sound.InitSound()) << sound.lastError();
    sound.mixer().play(0);
    sound.mixer().play(1);
    std::vector<std::uint8_t> table(361, 128);
    table[0] = 129, table[359] = 131, table[360] = 255;
    sound.WriteSoundBuffer(0, table);
    EXPECT_THROW(sound.WriteSoundBuffer(2, table), std::out_of_range);
    EXPECT_THROW(sound.WriteSoundBuffer(1, std::vector<std::uint8_t>(100, 200)), std::length_error);
    std::vector<std::int16_t> out(2 * kLoopBytes);
    sound.mixer().render(out.data(), static_cast<int>(out.size()));
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], i % kLoopBytes == 0 ? 128 : i % kLoopBytes == 359 ? 384 : 0) << i;
    sound.Rest();
    EXPECT_FALSE(sound.resting());
    const std::vector<std::uint8_t> silence(kLoopBytes, 128);
    sound.WriteSoundBuffer(0, silence);
    sound.Rest();
    sound.WriteSoundBuffer(1, silence);
    EXPECT_TRUE(sound.resting());
    sound.WriteSoundBuffer(1, table);
    EXPECT_FALSE(sound.resting());
    sound.WriteSoundBuffer(1, silence);
    sound.Rest();
    sound.wake();  // ahead of sound
    EXPECT_FALSE(sound.resting());
    sound.ReleaseSound();
    sound.ReleaseSound();  // twice is harmless
    EXPECT_THROW(sound.WriteSoundBuffer(0, silence), std::logic_error);
    clock.set(std::chrono::hours(3));  // the clock still finer than a millisecond
    const float t = sound.ClockSeconds();
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_GT(sound.ClockSeconds(), t);
}

// A level bar covers columns 0 to level x 24.7497 / 15 (cut at 141) in rows 0..2: green to 75,
// yellow to 95, red above. A picture is shown only when it differs from the one shown.
TEST(MeterCanvas, LevelBarsTakeTheirLengthAndColourFromTheLevel) {
    const std::tuple<std::int16_t, int, QRgb> bars[] = {
        {0, 1, MeterCanvas::kGreen},     {-3, 1, MeterCanvas::kGreen},
        {75, 124, MeterCanvas::kGreen},  {76, 126, MeterCanvas::kYellow},
        {95, 141, MeterCanvas::kYellow}, {96, 141, MeterCanvas::kRed}};
    for (const auto& [level, columns, colour] : bars) {
        MeterCanvas canvas;
        int shown = 0;
        Subscription counted = canvas.presented.connect([&shown] { ++shown; });
        canvas.drawLevelBar(level, MeterBox::Picture2);
        canvas.present();
        canvas.present();
        EXPECT_EQ(shown, 1);
        const QImage& image = canvas.image(MeterBox::Picture2);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y), y <= 2 && x < columns ? colour : MeterCanvas::kBlack)
                    << level;
    }
}

}  // namespace
}  // namespace tavrilo
