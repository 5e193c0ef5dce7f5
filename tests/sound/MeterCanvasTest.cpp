#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <optional>
#include <string>

#include "sound/MeterCanvas.h"
#include "sound/SynthEngine.h"

namespace tavrilo {
namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGreen = 0xFF00FF00;   // RGB(0, 255, 0)
constexpr QRgb kYellow = 0xFFFFFF00;  // RGB(255, 255, 0)
constexpr QRgb kRed = 0xFFFF0000;     // RGB(255, 0, 0)

constexpr MeterBox kAllBoxes[] = {MeterBox::WPB1, MeterBox::Picture1, MeterBox::o1VU,
                                  MeterBox::Picture2};

std::string nameOf(MeterBox box) {
    switch (box) {
        case MeterBox::WPB1:
            return "WPB1";
        case MeterBox::Picture1:
            return "Picture1";
        case MeterBox::o1VU:
            return "o1VU";
        case MeterBox::Picture2:
            return "Picture2";
    }
    return "?";
}

int countOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

TEST(MeterCanvas, EachImageIsItsBoxsDrawingAreaAndStartsBlack) {
    // Drawing areas inside the 2-pixel borders, 15 twips to the pixel: 1995 x 1275 twips for
    // the traces, 2115 x 75 for the bars.
    MeterCanvas canvas;
    const QSize trace(133, 85);
    const QSize bar(141, 5);
    for (MeterBox box : kAllBoxes) {
        SCOPED_TRACE(nameOf(box));
        const QImage& image = canvas.image(box);
        const bool isTrace = box == MeterBox::WPB1 || box == MeterBox::Picture1;
        EXPECT_EQ(image.size(), isTrace ? trace : bar);
        EXPECT_EQ(countOf(image, kBlack), image.width() * image.height());
    }
}

TEST(MeterCanvas, TracePointsLandInThePixelThatContainsThem) {
    // Pixel = floor(units x twips per unit / 15); y = sample + 125. WPB1: 6.87505 twips per
    // unit across, Picture1 6.875; both 5.09999 down.
    struct Row {
        const char* what;
        MeterBox box;
        std::int16_t index;
        float sample;
        std::optional<QPoint> pixel;
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Row rows[] = {
        {"origin of the trace", MeterBox::WPB1, 0, 0.0f, QPoint(0, 42)},  // 42.49996
        {"index 10: 4.58", MeterBox::WPB1, 10, 0.0f, QPoint(4, 42)},
        {"index 24 on Picture1: exactly 11", MeterBox::Picture1, 24, 0.0f, QPoint(11, 42)},
        {"index 290: 132.92, the last column", MeterBox::WPB1, 290, 0.0f, QPoint(132, 42)},
        {"index 291: 133.38, beyond the right edge", MeterBox::WPB1, 291, 0.0f, std::nullopt},
        {"index 360", MeterBox::Picture1, 360, 0.0f, std::nullopt},
        {"negative index", MeterBox::WPB1, -1, 0.0f, std::nullopt},
        {"top row: y = 0", MeterBox::WPB1, 10, -125.0f, QPoint(4, 0)},
        {"above the box: y = -0.5", MeterBox::WPB1, 10, -125.5f, std::nullopt},
        {"y = 249: 84.66, the bottom row", MeterBox::Picture1, 10, 124.0f, QPoint(4, 84)},
        {"y = 251: 85.33, below the box", MeterBox::Picture1, 10, 126.0f, std::nullopt},
        {"a sample beyond any box", MeterBox::WPB1, 10, FLT_MAX, std::nullopt},
        {"infinity overflows the sum", MeterBox::WPB1, 10, kInf, std::nullopt},
        {"minus infinity", MeterBox::WPB1, 10, -kInf, std::nullopt},
        {"NaN", MeterBox::WPB1, 10, std::numeric_limits<float>::quiet_NaN(), std::nullopt},
        {"largest index", MeterBox::WPB1, 32767, 0.0f, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MeterCanvas canvas;
        canvas.PlotTracePoint(row.index, row.sample, row.box);
        const QImage& image = canvas.image(row.box);
        if (row.pixel) {
            EXPECT_EQ(image.pixel(*row.pixel), kGreen);
            EXPECT_EQ(countOf(image, kGreen), 1);  // one pixel wide
        } else {
            EXPECT_EQ(countOf(image, kGreen), 0);
        }
        // No other box is touched.
        for (MeterBox other : kAllBoxes) {
            if (other != row.box) {
                EXPECT_EQ(countOf(canvas.image(other), kGreen), 0) << nameOf(other);
            }
        }
    }
}

TEST(MeterCanvas, LevelBarsGrowToTheRightInTheColourOfTheirBand) {
    // The line covers columns 0 to floor(level x 24.7497 / 15), both ends included, cut at the
    // 141-pixel width. The 5-pixel pen is centred on y = 0, so rows 0..2 carry the bar.
    struct Row {
        std::int16_t level;
        int length;
        QRgb colour;
    };
    const Row rows[] = {
        {0, 1, kGreen},     // zero length: a green dot at the origin
        {-3, 1, kGreen},    // pointing left of the box: only its start shows
        {10, 17, kGreen},   // 16.4998
        {20, 33, kGreen},   // 32.9996
        {75, 124, kGreen},  {76, 126, kYellow}, {84, 139, kYellow},  // 138.59
        {85, 141, kYellow},                                          // 140.25: fills the box
        {95, 141, kYellow}, {96, 141, kRed},    {32767, 141, kRed},
    };
    for (MeterBox box : {MeterBox::o1VU, MeterBox::Picture2}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(nameOf(box) + " level " + std::to_string(row.level));
            MeterCanvas canvas;
            canvas.DrawLevelBar(row.level, box);
            const QImage& image = canvas.image(box);
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb expected = y <= 2 && x < row.length ? row.colour : kBlack;
                    ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
                }
            }
        }
    }
}

TEST(MeterCanvas, DrawingNeverClearsAndClearingTouchesOneBoxOnly) {
    MeterCanvas canvas;
    canvas.DrawLevelBar(96, MeterBox::o1VU);
    canvas.DrawLevelBar(10, MeterBox::o1VU);  // a shorter bar over a longer one
    const QImage& bar = canvas.image(MeterBox::o1VU);
    EXPECT_EQ(bar.pixel(16, 0), kGreen);
    EXPECT_EQ(bar.pixel(17, 0), kRed);
    EXPECT_EQ(bar.pixel(140, 2), kRed);

    canvas.PlotTracePoint(0, 0.0f, MeterBox::WPB1);
    canvas.PlotTracePoint(100, 50.0f, MeterBox::WPB1);
    canvas.PlotTracePoint(5, 0.0f, MeterBox::Picture1);
    canvas.DrawLevelBar(50, MeterBox::Picture2);
    EXPECT_EQ(countOf(canvas.image(MeterBox::WPB1), kGreen), 2);

    canvas.clear(MeterBox::WPB1);
    canvas.clear(MeterBox::o1VU);
    EXPECT_EQ(countOf(canvas.image(MeterBox::WPB1), kBlack), 133 * 85);
    EXPECT_EQ(countOf(canvas.image(MeterBox::o1VU), kBlack), 141 * 5);
    EXPECT_EQ(countOf(canvas.image(MeterBox::Picture1), kGreen), 1);
    EXPECT_EQ(countOf(canvas.image(MeterBox::Picture2), kGreen), 3 * 83);  // 0..floor(82.499)
}

TEST(MeterCanvas, PresentTellsTheListener) {
    MeterCanvas canvas;
    canvas.present();  // nobody listening yet: nothing happens
    int presented = 0;
    canvas.setPresentListener([&] { ++presented; });
    canvas.present();
    canvas.present();
    EXPECT_EQ(presented, 2);
    canvas.setPresentListener({});
    canvas.present();
    EXPECT_EQ(presented, 2);
}

TEST(MeterCanvas, TheImagesStayInPlaceWhileTheyAreDrawn) {
    // The meter window paints from these references: drawing must not move or reallocate them.
    MeterCanvas canvas;
    const QImage& trace = canvas.image(MeterBox::WPB1);
    const uchar* bits = trace.constBits();
    const QImage copy = trace;  // a holder of a copy must not make the canvas detach
    canvas.clear(MeterBox::WPB1);
    canvas.PlotTracePoint(0, 0.0f, MeterBox::WPB1);
    EXPECT_EQ(&canvas.image(MeterBox::WPB1), &trace);
    EXPECT_EQ(trace.constBits(), bits);
    EXPECT_EQ(trace.pixel(0, 42), kGreen);
}

// The tick drawing into the canvas.

class QuietPort final : public SoundPort {
public:
    float ClockSeconds() const override { return 0.0f; }
    void WriteSoundBuffer(std::int16_t, std::span<const std::uint8_t>) override {}
};

TEST(MeterCanvas, ASilentTickDrawsTheCentreLineAndZeroBars) {
    // 361 points on y = 125, row 42; indices 0..290 cover every one of the 133 columns
    // (0.458 pixels apart), 291..360 fall beyond the right edge.
    MeterCanvas canvas;
    // Leftovers of an earlier, louder tick must go.
    canvas.PlotTracePoint(3, 60.0f, MeterBox::WPB1);
    canvas.DrawLevelBar(90, MeterBox::o1VU);
    QuietPort port;
    VoiceState voice;
    SynthEngine engine;
    engine.tick(voice, port, canvas);
    for (MeterBox box : {MeterBox::WPB1, MeterBox::Picture1}) {
        SCOPED_TRACE(nameOf(box));
        const QImage& image = canvas.image(box);
        EXPECT_EQ(countOf(image, kGreen), 133);
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, 42), kGreen) << x;
    }
    // Level 0: only the green dot at the origin, three rows of column 0.
    for (MeterBox box : {MeterBox::o1VU, MeterBox::Picture2}) {
        EXPECT_EQ(countOf(canvas.image(box), kGreen), 3) << nameOf(box);
        EXPECT_EQ(countOf(canvas.image(box), kBlack), 141 * 5 - 3) << nameOf(box);
    }
}

TEST(MeterCanvas, ASoundingTickDrawsItsTraceAndBar) {
    // Pitch 1 sine at 100: the trace's highest point is sample 100 at index 90 (y = 225,
    // row 76), its lowest -100 at index 270, beyond the right edge. Peak 100: a red bar.
    MeterCanvas canvas;
    QuietPort port;
    VoiceState voice;
    voice.pitch = 1;
    voice.envLevel = voice.amp1 = voice.amp2 = 100;
    voice.osc1Option = 7;
    SynthEngine engine;
    engine.tick(voice, port, canvas);
    const QImage& trace = canvas.image(MeterBox::WPB1);
    EXPECT_EQ(trace.pixel(41, 76), kGreen);  // index 90: floor(41.25)
    EXPECT_EQ(trace.pixel(0, 42), kGreen);   // index 0, sample 0
    const QImage& bar = canvas.image(MeterBox::o1VU);
    EXPECT_EQ(countOf(bar, kRed), 3 * 141);
    // Oscillator 2 is silent without AM1: its bar is the level-0 dot.
    EXPECT_EQ(countOf(canvas.image(MeterBox::Picture2), kBlack), 141 * 5 - 3);
}

}  // namespace
}  // namespace tavrilo
