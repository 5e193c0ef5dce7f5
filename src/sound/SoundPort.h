#pragma once

#include <cstdint>
#include <span>

namespace tavrilo {

// What the synthesis tick needs of the sound module: the modulation clock and the two looping
// buffers. UI thread only.
class SoundPort {
public:
    virtual ~SoundPort() = default;

    // Seconds since the program started, monotonic, in single precision.
    virtual float ClockSeconds() const = 0;

    // Replaces the whole content of loop `index` (0 or 1) by table[0..359] while it keeps playing.
    // Throws std::out_of_range for another index and std::length_error for a table shorter
    // than one loop; in both cases nothing is written.
    virtual void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) = 0;
};

}  // namespace tavrilo
