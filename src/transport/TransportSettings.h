#pragma once

#include "common/Setting.h"

namespace tavrilo {

inline constexpr int kMinTempoMs = 1;  // the step interval, in ms per step
inline constexpr int kMaxTempoMs = 1600;
inline constexpr int kStartupTempoMs = 200;
inline constexpr int kMinCut = 0;  // the "Expand" cut values; 0 switches a cut off
inline constexpr int kMaxCut = 2000;

// The transport's settings besides the score: the tempo slider "Speed" and the two "Expand"
// sliders, whose values the step clock copies into the voice at every note. The sliders bind to
// them both ways; they start as the sliders are created (tempo 1, cuts 0). UI thread only.
struct TransportSettings {
    Setting tempo{kMinTempoMs, kMaxTempoMs, kMinTempoMs};
    Setting expand1{kMinCut, kMaxCut, kMinCut};
    Setting expand2{kMinCut, kMaxCut, kMinCut};
};

}  // namespace tavrilo
