// What leaves the synthesis: the sound module's loops and the meter's pictures.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sound/MeterCanvas.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

// On SDL's dummy driver, rendered here directly (nothing has unpaused the device, so the test
// is the loops' one reader), in periods of any length: only the first 360 bytes of a table are
// heard, over and over.
TEST(SoundModule, PlaysTheFirst360BytesOfATable) {
    SteppedClock clock;
    modSynth_DX7 sound(clock);
    ASSERT_TRUE(sound.open()) << sound.lastError();
    sound.mixer().play(0);
    sound.mixer().play(1);
    std::vector<std::uint8_t> table(361, 128);
    table[0] = 129, table[359] = 131, table[360] = 255;
    sound.writeLoop(0, table);
    std::vector<std::int16_t> out(2 * kLoopBytes);
    sound.mixer().render(out.data(), 100);
    sound.mixer().render(out.data() + 100, static_cast<int>(out.size()) - 100);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], i % kLoopBytes == 0 ? 128 : i % kLoopBytes == 359 ? 384 : 0) << i;
    sound.writeLoop(0, std::vector<std::uint8_t>(kLoopBytes, 128));
    sound.rest();  // silent: the device closes, and a sound opens it again
    EXPECT_EQ(sound.deviceState(), SoundDevice::State::Resting);
    sound.writeLoop(0, table);
    EXPECT_NE(sound.deviceState(), SoundDevice::State::Resting);
}

// A trace point is one green pixel at index x 6.875 and (sample + 125) x 5.1 twips from its box's
// top left, 15 twips to a pixel, and none outside the box. A level bar covers rows 0..2 from
// column 0 to level x 24.7497 / 15 (cut at the box's 141): green to 75, yellow to 95, red above.
TEST(MeterCanvas, TracesAndLevelBarsLandWhereTheirUnitsPutThem) {
    const QRgb black = qRgb(0, 0, 0), green = qRgb(0, 255, 0), yellow = qRgb(255, 255, 0),
               red = qRgb(255, 0, 0);
    const std::tuple<std::int16_t, float, std::optional<QPoint>> points[] = {
        {0, 0, QPoint(0, 42)},    {290, 0, QPoint(132, 42)},  {291, 0, std::nullopt},
        {10, 100, QPoint(4, 76)}, {10, -125, QPoint(4, 0)},   {10, -126, std::nullopt},
        {10, 125, QPoint(4, 84)}, {10, 125.1f, std::nullopt}, {-1, 0, std::nullopt}};
    for (const auto& [index, sample, at] : points)
        for (MeterBox box : {MeterBox::WPB1, MeterBox::Picture1}) {
            MeterCanvas canvas;
            canvas.plotTracePoint(index, sample, box);
            const QImage& image = canvas.image(box);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ASSERT_EQ(image.pixel(x, y), QPoint(x, y) == at ? green : black) << sample;
        }
    const std::tuple<std::int16_t, int, QRgb> bars[] = {{0, 1, green},     {-3, 1, green},
                                                        {75, 124, green},  {76, 126, yellow},
                                                        {95, 141, yellow}, {96, 141, red}};
    for (const auto& [level, columns, colour] : bars) {
        MeterCanvas canvas;
        canvas.drawLevelBar(level, MeterBox::Picture2);
        const QImage& image = canvas.image(MeterBox::Picture2);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y), y <= 2 && x < columns ? colour : black) << level;
    }
}

}  // namespace
}  // namespace tavrilo
