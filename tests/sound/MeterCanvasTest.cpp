#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>

#include "sound/MeterCanvas.h"

namespace tavrilo {
namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGreen = 0xFF00FF00;   // RGB(0, 255, 0)
constexpr QRgb kYellow = 0xFFFFFF00;  // RGB(255, 255, 0)
constexpr QRgb kRed = 0xFFFF0000;     // RGB(255, 0, 0)

long countOf(const QImage& image, QRgb colour) {
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::count(pixels, pixels + image.width() * image.height(), colour);
}

TEST(MeterCanvas, LevelBarsRunFromTheLeftInTheColourOfTheirBand) {
    // Columns 0 to floor(level x 24.7497 / 15), both ends included, cut at the 141-pixel width;
    // the 5-pixel pen centred on y = 0 covers rows 0..2 of the 5.
    struct Row {
        std::int16_t level;
        int columns;
        QRgb colour;
    };
    const Row rows[] = {{0, 1, kGreen},     {-3, 1, kGreen},    {10, 17, kGreen},
                        {75, 124, kGreen},  {76, 126, kYellow}, {84, 139, kYellow},
                        {85, 141, kYellow}, {95, 141, kYellow}, {96, 141, kRed}};
    for (MeterBox box : {MeterBox::o1VU, MeterBox::Picture2}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.level);
            MeterCanvas canvas;
            canvas.DrawLevelBar(row.level, box);
            const QImage& image = canvas.image(box);
            ASSERT_EQ(image.size(), QSize(141, 5));
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ASSERT_EQ(image.pixel(x, y), y <= 2 && x < row.columns ? row.colour : kBlack)
                        << x << "," << y;
        }
    }
}

TEST(MeterCanvas, TracePointsLandInTheirPixelAndOutsideTheBoxLeaveNoMark) {
    // Pixel = floor(units x twips per unit / 15), y = sample + 125. WPB1 has 6.87505 twips per
    // unit across, Picture1 6.875; both 5.09999 down.
    struct Row {
        MeterBox box;
        std::int16_t index;
        float sample;
        std::optional<QPoint> pixel;
    };
    const Row rows[] = {
        {MeterBox::WPB1, 0, 0.0f, QPoint(0, 42)},         // 42.49996
        {MeterBox::WPB1, 290, 0.0f, QPoint(132, 42)},     // 132.92: the last column
        {MeterBox::WPB1, 291, 0.0f, {}},                  // 133.38
        {MeterBox::WPB1, -1, 0.0f, {}},                   // -0.46
        {MeterBox::WPB1, 10, -125.0f, QPoint(4, 0)},      // 4.58: the top row
        {MeterBox::WPB1, 10, -125.5f, {}},                // y = -0.5
        {MeterBox::Picture1, 10, 124.0f, QPoint(4, 84)},  // 84.66: the bottom row
        {MeterBox::Picture1, 10, 126.0f, {}},             // 85.33
        {MeterBox::WPB1, 10, std::numeric_limits<float>::infinity(), {}},  // overflows
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        MeterCanvas canvas;
        canvas.PlotTracePoint(row.index, row.sample, row.box);
        EXPECT_EQ(countOf(canvas.image(row.box), kGreen), row.pixel ? 1 : 0);
        EXPECT_TRUE(!row.pixel || canvas.image(row.box).pixel(*row.pixel) == kGreen);
    }
}

}  // namespace
}  // namespace tavrilo
