#pragma once

#include <QImage>
#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

#include "common/Signal.h"
#include "sound/MeterSink.h"

namespace tavrilo {

// The meter window's four drawing boxes as images: each the size of its box's drawing area
// (inside the 2-pixel sunken border), black when cleared, drawn in the box's own user scale.
//
// Units to pixels: a coordinate u in a box's units lies u x (twips per unit) twips from the
// origin, that is u x (twips per unit) / 15 pixels, and the point lands in the pixel that
// contains it (the product rounded down). So the centre line of a trace (y = 125) falls in
// row 42 of 85, trace indices 0..290 are inside the 133-pixel width, and a level-bar length of
// L units ends floor(L x 24.7497 / 15) pixels from the left.
//
// Each image wraps a pixel buffer the canvas allocated once; drawing writes that buffer
// directly, so no call ever allocates or detaches. The images stay valid, at the same address,
// as long as the canvas lives; show them with QPainter::drawImage rather than keeping copies.
//
// UI thread only.
class MeterCanvas final : public MeterSink {
public:
    // Drawing areas in pixels: 1995 x 1275 twips for the traces, 2115 x 75 for the bars.
    static constexpr int kTraceWidth = 133;
    static constexpr int kTraceHeight = 85;
    static constexpr int kBarWidth = 141;
    static constexpr int kBarHeight = 5;
    // Pen of the level bars: 5 pixels wide, centred on the line y = 0, so its lower half and
    // middle row (rows 0..2) lie inside the box and the upper two rows are clipped away.
    static constexpr int kBarPenWidth = 5;
    static constexpr int kBarRows = kBarPenWidth / 2 + 1;

    static constexpr QRgb kBlack = 0xFF000000;
    static constexpr QRgb kGreen = 0xFF00FF00;
    static constexpr QRgb kYellow = 0xFFFFFF00;
    static constexpr QRgb kRed = 0xFFFF0000;

    MeterCanvas();
    MeterCanvas(const MeterCanvas&) = delete;
    MeterCanvas& operator=(const MeterCanvas&) = delete;

    void clear(MeterBox box) override;
    // One pixel at (index, sample + 125); the sum is taken in single precision and nothing is
    // drawn when it overflows. Points outside the box leave no mark.
    void plotTracePoint(std::int16_t index, float sample, MeterBox box) override;
    // A line from (0, 0) to (level, 0): the pixel columns from the left edge to the end point's
    // column, both included, in rows 0..2 (the 5-pixel pen is centred on y = 0). A zero-length
    // line (level 0) leaves a green dot at the origin; a negative level only its start point.
    // Green up to 75, yellow 76..95, red from 96.
    void drawLevelBar(std::int16_t level, MeterBox box) override;
    // The tick's picture is complete: tells `presented` when it differs from the one shown.
    void present() override;
    Signal<> presented;

    const QImage& image(MeterBox box) const;

    // The band colour of a level.
    static QRgb levelColour(int level);

private:
    struct Surface {
        int width = 0;
        int height = 0;
        double twipsPerUnitX = 0.0;
        double twipsPerUnitY = 0.0;
        std::vector<QRgb> pixels;
        std::vector<QRgb> shown;  // the pixels when last presented
        QImage image;
    };
    Surface& surface(MeterBox box) { return m_surfaces[static_cast<std::size_t>(box)]; }

    std::array<Surface, 4> m_surfaces;
};

}  // namespace tavrilo
