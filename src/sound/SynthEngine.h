#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "sound/MeterSink.h"
#include "sound/NoiseGenerator.h"
#include "sound/SoundPort.h"
#include "sound/VoiceState.h"

namespace tavrilo {

namespace detail {
// Engine internals: the terms of x = theta x harmonic that the waveforms use, for one table
// index, valid for the harmonic they were computed at.
struct PhaseTerms {
    std::int32_t harmonic = 0;
    unsigned valid = 0;  // one bit per term below
    double sinX = 0.0;
    double cosX = 0.0;
    double sinIntX = 0.0;  // sin(Int(x))
    double sinTanX = 0.0;  // sin(tan(x))
};
}  // namespace detail

// The synthesis tick and the engine variables it keeps from one tick to the next.
//
// A tick computes 361 samples per oscillator (table indices 0..360, the index read as degrees)
// from the voice, stores them as unsigned bytes around 128, sends each table to its looping
// sound buffer (which takes the first 360 bytes) and draws both traces and level bars. A table
// holds `harmonic` whole cycles, so the loop sounds at harmonic x 61.25 Hz.
//
// Every statement runs under the continue-on-error rule (sound/CheckedAssign.h): a value that
// cannot be computed or does not fit its target leaves the target as it was, and a call that
// throws is skipped. The tick itself never throws, and it allocates nothing (a collaborator
// that throws allocates its own exception).
//
// UI thread only, like everything it calls.
class SynthEngine {
public:
    static constexpr int kTableSize = 361;
    using Table = std::array<std::uint8_t, kTableSize>;

    // Timer1_Timer's work. Reads the voice, and writes amp1 and amp2 (both follow envLevel
    // from the second table index on).
    //
    // A tick whose result cannot differ from the last one's does nothing (see wouldRepeat).
    void tick(VoiceState& voice, SoundPort& sound, MeterSink& meter);
    // Whether a tick of `voice` would compute what the last computed tick did: the same voice,
    // options and amplitudes, no modulation or nothing for it to move (so the clock changes
    // nothing) and no noise (which moves its generator on). Its tables, traces and levels would
    // be those already written and drawn.
    bool wouldRepeat(const VoiceState& voice) const;

    // Whether both tables, as the loops hold them, are silence (every byte 128).
    bool silent() const { return m_silent; }

    float clockTime() const { return m_clockTime; }       // seconds, the last clock reading
    std::int32_t harmonic() const { return m_harmonic; }  // cycles per table at the last index
    float sample1() const { return m_sample1; }
    float sample2() const { return m_sample2; }
    std::int16_t peak1() const { return m_peak1; }  // highest sample of the last tick, >= 0
    std::int16_t peak2() const { return m_peak2; }
    const Table& osc1Table() const { return m_osc1Table; }
    const Table& osc2Table() const { return m_osc2Table; }

private:
    float m_clockTime = 0.0f;
    std::int32_t m_harmonic = 0;
    float m_sample1 = 0.0f;
    float m_sample2 = 0.0f;
    std::int16_t m_peak1 = 0;
    std::int16_t m_peak2 = 0;
    // All zero until a tick writes them; a byte that does not fit keeps its older value.
    Table m_osc1Table{};
    Table m_osc2Table{};
    NoiseGenerator m_noise;
    // The voice as the last computed tick found it, and whether its tables came out silent.
    std::optional<VoiceState> m_lastVoice;
    bool m_silent = false;
    // The harmonic seldom changes from one tick to the next, and x with it, so each index keeps
    // its waveform terms until its harmonic differs.
    std::array<detail::PhaseTerms, kTableSize> m_phaseTerms{};
};

}  // namespace tavrilo
