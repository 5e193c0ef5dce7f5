#pragma once

#include <cstdint>

namespace tavrilo {

// The four drawing boxes of the meter window.
enum class MeterBox { WPB1, Picture1, o1VU, Picture2 };

// Where the synthesis tick draws its traces and level bars. Coordinates are in each box's own
// user scale, origin top left, y downwards. UI thread only; implementations must not allocate,
// since they are called 722 times a tick.
class MeterSink {
public:
    virtual ~MeterSink() = default;
    // Clears a box to its background colour.
    virtual void clear(MeterBox box) = 0;
    // One green point at (index, sample + 125); nothing is drawn when that sum overflows single
    // precision. Points outside the box are clipped.
    virtual void plotTracePoint(std::int16_t index, float sample, MeterBox box) = 0;
    // A bar from (0, 0) to (level, 0) with the box's line width: green up to 75, yellow 76 to
    // 95, red from 96.
    virtual void drawLevelBar(std::int16_t level, MeterBox box) = 0;
    // The tick's picture is complete: show it in place of the previous one.
    virtual void present() = 0;
};

}  // namespace tavrilo
