#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

namespace tavrilo {

// The sound format both loops share: unsigned 8-bit mono PCM, centre value 128.
inline constexpr int kSampleRate = 22050;
// One loop pass: 360 bytes, about 16.3 ms, so a loop repeats 61.25 times a second and a table
// holding n whole cycles sounds at n x 61.25 Hz.
inline constexpr int kLoopBytes = 360;
inline constexpr std::uint8_t kSilentByte = 128;
inline constexpr int kSoundBuffers = 2;

// Whether every byte of `bytes` is the centre value.
inline bool isSilence(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == kSilentByte; });
}

}  // namespace tavrilo
