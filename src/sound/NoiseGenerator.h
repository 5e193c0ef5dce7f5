#pragma once

#include <cstdint>

namespace tavrilo {

// Uniform pseudo-random numbers in [0, 1) for the noise waveform.
//
// Design: a 24-bit linear congruential generator,
//     state' = (kMultiplier * state + kIncrement) mod 2^24,
// with an odd increment and a multiplier of 5 mod 8, so by the Hull-Dobell theorem it runs
// through all 2^24 states before it repeats. The number handed out is state / 2^24: 24 bits of
// resolution, never 1.
//
// The argument decides what happens:
// - x > 0: the next number of the sequence;
// - x = 0 (either sign) or NaN: the number last drawn, again;
// - x < 0: the state is reseeded from x and the next number drawn from there, so the same
//   negative x always gives the same number. The seed is the top 24 bits of a 64-bit mix
//   (the SplitMix64 finaliser) of the bit pattern of x, so neighbouring arguments land on
//   unrelated seeds.
// A new generator starts from kStartSeed: never from a clock, so every run of the program
// hears the same noise. Before anything is drawn, the "last number" is kStartSeed / 2^24.
class NoiseGenerator {
public:
    static constexpr std::uint32_t kMultiplier = 0xBB40E5;
    static constexpr std::uint32_t kIncrement = 0x3C6EF3;
    static constexpr std::uint32_t kStartSeed = 0x2545F4;
    static constexpr std::uint32_t kStateMask = 0xFFFFFF;

    double next(double x);
    double last() const { return toUnit(m_state); }

private:
    static double toUnit(std::uint32_t state) { return static_cast<double>(state) / 16777216.0; }
    static std::uint32_t seedFrom(double x);

    std::uint32_t m_state = kStartSeed;
};

}  // namespace tavrilo
