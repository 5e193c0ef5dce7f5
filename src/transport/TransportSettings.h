#pragma once

namespace tavrilo {

// The transport's own settings besides the score: the tempo slider "Speed" and the two "Expand"
// sliders, whose values the step clock copies into the voice at every note.
inline constexpr int kMinTempoMs = 1;  // the step interval, in ms per step
inline constexpr int kMaxTempoMs = 1600;
inline constexpr int kStartupTempoMs = 200;
inline constexpr int kMinCut = 0;  // the "Expand" cut values; 0 switches a cut off
inline constexpr int kMaxCut = 2000;

}  // namespace tavrilo
