#include "sound/SynthEngine.h"

#include <bit>
#include <span>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "sound/CheckedAssign.h"
#include "sound/SoundFormat.h"

namespace tavrilo {
namespace {

// The table index is read as degrees; this is pi / 180 cut to 13 decimals.
constexpr double kRadiansPerIndex = 0.01745329251994;

// The terms of x that the waveforms use, each computed at most once for a table index and a
// harmonic, whichever oscillator and whichever tick asks first. The same x gives the same
// terms, so this changes nothing but the time.
class Phase {
public:
    Phase(detail::PhaseTerms& terms, float theta, std::int32_t harmonic)
        : m_terms(terms), m_x(Checked(theta) * Checked(harmonic)) {
        if (terms.harmonic != harmonic) {
            terms.harmonic = harmonic;
            terms.valid = 0;
        }
    }
    Checked x() const { return m_x; }
    Checked sinX() {
        return once(m_terms.sinX, kSinX, [this] { return sin(m_x); });
    }
    Checked cosX() {
        return once(m_terms.cosX, kCosX, [this] { return cos(m_x); });
    }
    Checked sinIntX() {
        return once(m_terms.sinIntX, kSinIntX, [this] { return sin(Int(m_x)); });
    }
    Checked sinTanX() {
        return once(m_terms.sinTanX, kSinTanX, [this] { return sin(tan(m_x)); });
    }

private:
    enum : unsigned { kSinX = 1, kCosX = 2, kSinIntX = 4, kSinTanX = 8 };
    template <typename Compute>
    Checked once(double& slot, unsigned bit, Compute compute) {
        if ((m_terms.valid & bit) == 0) {
            slot = compute().value();
            m_terms.valid |= bit;
        }
        return slot;
    }

    detail::PhaseTerms& m_terms;
    Checked m_x;
};

// Waveform of oscillator 1 for option 0..7, x = theta x harmonic, a = the amplitude. Option 5
// draws one number from the noise generator with x as its argument.
Checked waveform1(int option, Phase& p, Checked a, NoiseGenerator& noise) {
    switch (option) {
        case 0: return p.sinIntX() * a;    // sin(Int(x)) x a: a sine stepped at whole radians
        case 1: return Int(p.sinX()) * a;  // -a while sin(x) < 0, else 0
        case 2: return p.sinTanX() * p.sinX() * a;
        case 3: return p.sinX() * sin(p.cosX()) * tan(p.sinX()) * Int(p.cosX()) * a;
        case 4: return p.sinX() * p.cosX() * cos(p.sinX()) * p.sinTanX() * p.sinTanX() * a;
        case 5:  // noise, above the centre only; a failed x fails before drawing
            return p.x().ok() ? tan(Checked(noise.next(p.x().value()))) * a : Checked::failed();
        case 6:
            // The bracketed term is not scaled by a, so it sounds even at amplitude 0.
            return Int(p.sinX()) / 2.0 * a + (Int(p.sinX()) - p.sinIntX());
        case 7: return p.sinX() * a;  // pure sine
        default: return 0.0;          // no option selected: silence
    }
}

// Oscillator 2 differs in options 0, 5 and 7 and shares the others.
Checked waveform2(int option, Phase& p, Checked a, NoiseGenerator& noise) {
    switch (option) {
        case 0: return p.sinX() * a;
        case 5: return tan(p.cosX()) * a;
        case 7: return p.sinIntX() * a;
        default: return waveform1(option, p, a, noise);  // the options both share
    }
}

#if defined(__x86_64__)
__attribute__((target("avx"))) void zeroUpperVectorHalves() { _mm256_zeroupper(); }
#endif

// Qt's raster painting, which runs on this thread between ticks, can leave the upper halves of
// the AVX registers in use. The tick's own SSE code would then pay a transition penalty around
// every maths-library call, which makes it about five times slower; one vzeroupper up front
// avoids that.
void cleanVectorState() {
#if defined(__x86_64__)
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) zeroUpperVectorHalves();
#endif
}

}  // namespace

bool SynthEngine::wouldRepeat(const VoiceState& voice) const {
    constexpr int kNoiseOption = 5;     // of oscillator 1
    constexpr int kUnscaledOption = 6;  // a term that sounds at amplitude 0
    const bool timeless = voice.fmRate == 0 && voice.amRate1 == 0 && voice.amRate2 == 0;
    // At amplitude 0 every other waveform is 0 whatever the clock, so the modulations move
    // nothing: a note that died with modulation on costs nothing more.
    const bool mute = voice.amp1 == 0 && voice.amp2 == 0 && voice.envLevel == 0 &&
                      voice.osc1Option != kUnscaledOption && voice.osc2Option != kUnscaledOption;
    return (timeless || mute) && voice.osc1Option != kNoiseOption && m_lastVoice == voice;
}

void SynthEngine::tick(VoiceState& voice, SoundPort& sound, MeterSink& meter) {
    if (wouldRepeat(voice)) return;
    m_lastVoice = voice;

    cleanVectorState();
    // Levels start from nothing each tick.
    m_peak1 = 0;
    m_peak2 = 0;

    // The four boxes, in this order.
    for (MeterBox box : {MeterBox::WPB1, MeterBox::o1VU, MeterBox::Picture1, MeterBox::Picture2})
        continueOnError([&] { meter.clear(box); });

    // Nothing else runs during a tick, so the voice and the options are read once. The
    // amplitudes are the exception: the tick itself rewrites them after the first sample.
    const std::int16_t pitch = voice.pitch;
    const std::int16_t fmRate = voice.fmRate;
    const std::int16_t amRate1 = voice.amRate1;
    const std::int16_t amRate2 = voice.amRate2;
    const std::int16_t cut1 = voice.cut1;
    const std::int16_t cut2 = voice.cut2;
    const std::int16_t envLevel = voice.envLevel;
    const int option1 = voice.osc1Option;
    const int option2 = voice.osc2Option;

    // Terms that depend only on t (and on the voice) are recomputed when t changes. The clock
    // is still read at every index, but in single precision it stands still for longer and
    // longer as the program runs (about 8 microseconds after the first minute), and a term whose
    // rate is 0 is cos 0 = 1 (sin 0 = 0) whatever t is, so it is computed once per tick.
    const bool timeMatters = fmRate != 0 || amRate1 != 0 || amRate2 != 0;
    bool haveTimeTerms = false;
    std::uint32_t termsTime = 0;  // bit pattern of the t they were computed from
    Checked harmonicTerm = 0.0;   // cos(t x fmRate / 2) x pitch, before rounding
    Checked am2 = 0.0;            // cos(t x amRate2)
    Checked am1Cos = 0.0;         // cos(t x amRate1), oscillator 1
    Checked am1Sin = 0.0;         // sin(t x amRate1), oscillator 2
    // The cut divisors depend only on the harmonic.
    bool haveCutTerms = false;
    std::int32_t cutHarmonic = 0;
    Checked cutDivisor1 = 0.0;  // 10 x ln(harmonic / (0.1 x cut) + 1)
    Checked cutDivisor2 = 0.0;

    for (int i = 0; i < kTableSize; ++i) {
        const auto index = static_cast<std::size_t>(i);

        // The clock, read anew at every index; a failed read leaves t as it was.
        continueOnError([&] { assignSingle(m_clockTime, Checked(sound.clockSeconds())); });
        const float t = m_clockTime;

        // The index as an angle, kept in single precision.
        const float theta = static_cast<float>(i * kRadiansPerIndex);

        // Cycles per table, swung by the pitch modulation.
        if (!haveTimeTerms || (timeMatters && std::bit_cast<std::uint32_t>(t) != termsTime)) {
            const Checked time = t;
            if (!haveTimeTerms || fmRate != 0)
                harmonicTerm = cos(time * Checked(fmRate) / 2.0) * Checked(pitch);
            if (!haveTimeTerms || amRate2 != 0) am2 = cos(time * Checked(amRate2));
            if (!haveTimeTerms || amRate1 != 0) {
                am1Cos = cos(time * Checked(amRate1));
                am1Sin = sin(time * Checked(amRate1));
            }
            termsTime = std::bit_cast<std::uint32_t>(t);
            haveTimeTerms = true;
        }
        assignInt32(m_harmonic, harmonicTerm);

        // The waveforms, at the amplitudes held before this index.
        Phase phase(m_phaseTerms[index], theta, m_harmonic);
        assignSingle(m_sample1, waveform1(option1, phase, voice.amp1, m_noise));
        assignSingle(m_sample2, waveform2(option2, phase, voice.amp2, m_noise));

        // Both amplitudes follow the envelope from the next index on.
        voice.amp1 = envLevel;
        voice.amp2 = envLevel;

        // Amplitude modulation 2 on both, then 1: oscillator 1 by the cosine and
        // oscillator 2 by the sine, so rate 0 silences oscillator 2.
        assignSingle(m_sample1, Checked(m_sample1) * am2);
        assignSingle(m_sample2, Checked(m_sample2) * am2);
        assignSingle(m_sample1, Checked(m_sample1) * am1Cos);
        assignSingle(m_sample2, Checked(m_sample2) * am1Sin);

        // The cuts. At harmonic 0 the divisor is 10 x ln(1) = 0 and the cut is skipped,
        // as it is when the logarithm's argument is 0 or negative.
        if (cut1 > 0 || cut2 > 0) {
            if (!haveCutTerms || cutHarmonic != m_harmonic) {
                const Checked h = m_harmonic;
                cutDivisor1 = 10.0 * ln(h / (0.1 * Checked(cut1)) + 1.0);
                cutDivisor2 = 10.0 * ln(h / (0.1 * Checked(cut2)) + 1.0);
                cutHarmonic = m_harmonic;
                haveCutTerms = true;
            }
            if (cut1 > 0) assignSingle(m_sample1, Checked(m_sample1) / cutDivisor1);
            if (cut2 > 0) assignSingle(m_sample2, Checked(m_sample2) / cutDivisor2);
        }

        // Bytes around 128; a sample outside 0..255 leaves the older byte.
        assignByte(m_osc1Table[index], Checked(m_sample1) + 128.0);
        assignByte(m_osc2Table[index], Checked(m_sample2) + 128.0);

        // Peaks: only positive swings count, and only those that fit 16 bits.
        if (m_sample1 > m_peak1) assignInt16(m_peak1, Checked(m_sample1));
        if (m_sample2 > m_peak2) assignInt16(m_peak2, Checked(m_sample2));

        // Traces, at the sample's true height even when its byte did not fit.
        const auto traceIndex = static_cast<std::int16_t>(i);
        continueOnError([&] { meter.plotTracePoint(traceIndex, m_sample1, MeterBox::WPB1); });
        continueOnError([&] { meter.plotTracePoint(traceIndex, m_sample2, MeterBox::Picture1); });
    }

    // As the loops hold them: their first 360 bytes.
    m_silent = isSilence(std::span(m_osc1Table).first<kLoopBytes>()) &&
               isSilence(std::span(m_osc2Table).first<kLoopBytes>());

    // The whole tables go out, each followed by its level bar; the sound module keeps their first
    // 360 bytes.
    continueOnError([&] { sound.writeLoop(0, std::span<const std::uint8_t>(m_osc1Table)); });
    continueOnError([&] { meter.drawLevelBar(m_peak1, MeterBox::o1VU); });
    continueOnError([&] { sound.writeLoop(1, std::span<const std::uint8_t>(m_osc2Table)); });
    continueOnError([&] { meter.drawLevelBar(m_peak2, MeterBox::Picture2); });
    continueOnError([&] { meter.present(); });
}

}  // namespace tavrilo
