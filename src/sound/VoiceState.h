#pragma once

#include <cstdint>

namespace tavrilo {

// The one voice: written by the step clock at every sounding step and by the envelope ramps,
// read by the synthesis tick. All values are signed 16-bit, all 0 at start-up.
struct VoiceState {
    std::int16_t pitch = 0;  // cycles per table, 1..24 once a note has played; 0 is no tone
    std::int16_t amp1 = 0;   // oscillator amplitudes, in sample units
    std::int16_t amp2 = 0;
    std::int16_t amRate1 = 0;  // modulation rates, radians per second, 0..100
    std::int16_t amRate2 = 0;
    std::int16_t fmRate = 0;
    std::int16_t cut1 = 0;  // 0..2000; 0 switches the cut off
    std::int16_t cut2 = 0;
    std::int16_t envLevel = 0;  // envelope level: the amplitude both oscillators follow
    // The selected waveform option (0..7) of each oscillator; option k is waveform k + 1.
    int osc1Option = 0;
    int osc2Option = 0;

    bool operator==(const VoiceState&) const = default;
};

}  // namespace tavrilo
