#include "sound/MeterCanvas.h"

#include <algorithm>
#include <cmath>

#include "common/Twips.h"

namespace tavrilo {
namespace {

struct BoxScale {
    MeterBox box;
    int width, height;                    // pixels
    double twipsPerUnitX, twipsPerUnitY;  // the box's user scale
};

constexpr std::array<BoxScale, 4> kScales = {{
    {MeterBox::WPB1, MeterCanvas::kTraceWidth, MeterCanvas::kTraceHeight, 6.87505, 5.09999},
    {MeterBox::Picture1, MeterCanvas::kTraceWidth, MeterCanvas::kTraceHeight, 6.875, 5.09999},
    {MeterBox::o1VU, MeterCanvas::kBarWidth, MeterCanvas::kBarHeight, 24.7497, 75.0},
    {MeterBox::Picture2, MeterCanvas::kBarWidth, MeterCanvas::kBarHeight, 24.7497, 75.0},
}};

// Units to pixels: twips first, then whole pixels rounded down. Kept as a double so that
// coordinates far outside the box are compared, not converted.
double toPixel(double units, double twipsPerUnit) {
    return std::floor(units * twipsPerUnit / kTwipsPerPixel);
}

}  // namespace

MeterCanvas::MeterCanvas() {
    for (const BoxScale& scale : kScales) {
        Surface& s = surface(scale.box);
        s.width = scale.width;
        s.height = scale.height;
        s.twipsPerUnitX = scale.twipsPerUnitX;
        s.twipsPerUnitY = scale.twipsPerUnitY;
        s.pixels.assign(static_cast<std::size_t>(s.width * s.height), kBlack);
        s.shown = s.pixels;  // the boxes start black
        s.image = QImage(reinterpret_cast<uchar*>(s.pixels.data()), s.width, s.height,
                         s.width * static_cast<int>(sizeof(QRgb)), QImage::Format_RGB32);
    }
}

void MeterCanvas::clear(MeterBox box) {
    Surface& s = surface(box);
    std::fill(s.pixels.begin(), s.pixels.end(), kBlack);
}

void MeterCanvas::plotTracePoint(std::int16_t index, float sample, MeterBox box) {
    const float y = sample + 125.0f;
    if (!std::isfinite(y)) return;
    Surface& s = surface(box);
    const double px = toPixel(index, s.twipsPerUnitX);
    const double py = toPixel(y, s.twipsPerUnitY);
    if (px < 0.0 || px >= s.width || py < 0.0 || py >= s.height) return;
    s.pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(s.width) +
             static_cast<std::size_t>(px)] = kGreen;
}

void MeterCanvas::drawLevelBar(std::int16_t level, MeterBox box) {
    Surface& s = surface(box);
    // The line includes both its ends, so a level of 0 still leaves a dot at the origin.
    const double end = std::max(0.0, toPixel(level, s.twipsPerUnitX));
    const auto length = static_cast<std::size_t>(std::min<double>(std::floor(end) + 1, s.width));
    const QRgb colour = levelColour(level);
    const int rows = std::min(kBarRows, s.height);
    for (int row = 0; row < rows; ++row) {
        const auto first = s.pixels.begin() + row * s.width;
        std::fill(first, first + static_cast<std::ptrdiff_t>(length), colour);
    }
}

void MeterCanvas::present() {
    bool changed = false;
    for (Surface& s : m_surfaces) {
        if (s.shown == s.pixels) continue;
        s.shown = s.pixels;
        changed = true;
    }
    if (changed) presented();
}

const QImage& MeterCanvas::image(MeterBox box) const {
    return m_surfaces[static_cast<std::size_t>(box)].image;
}

QRgb MeterCanvas::levelColour(int level) {
    if (level <= 75) return kGreen;
    if (level <= 95) return kYellow;
    return kRed;
}

}  // namespace tavrilo
