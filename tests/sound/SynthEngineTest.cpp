#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "sound/NoiseGenerator.h"
#include "sound/SynthEngine.h"
#include "support/Fakes.h"

namespace tavrilo {
namespace {

// The engine with a sound port whose n-th clock reading within a tick is readings[n].
struct Synth final : SoundPort {
    VoiceState voice;
    SynthEngine engine;
    test::FakeMeter meter;
    std::vector<float> readings;
    mutable std::size_t read = 0;
    std::array<std::vector<std::uint8_t>, 2> tables;
    float ClockSeconds() const override { return readings[std::min(read++, readings.size() - 1)]; }
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) override {
        tables.at(static_cast<std::size_t>(index))
            .assign(table.begin(), table.begin() + kLoopBytes);
    }
    void tick(std::vector<float> at) {
        readings = std::move(at), read = 0;
        engine.tick(voice, *this, meter);
    }
};

VoiceState note(int pitch, int option1, int option2, int level) {
    VoiceState v{
        .pitch = static_cast<std::int16_t>(pitch), .osc1Option = option1, .osc2Option = option2};
    v.envLevel = v.amp1 = v.amp2 = static_cast<std::int16_t>(level);
    return v;
}

// The formulas of the waveforms by option, x = theta x harmonic, a the amplitude; option 5 of
// oscillator 1 draws its noise from `noise`.
double waveform(int osc, int option, double x, double a, NoiseGenerator& noise) {
    const double s = std::sin(x), c = std::cos(x), st = std::sin(std::tan(x));
    const double stepped = std::sin(std::floor(x));
    if (osc == 2 && option == 0) return s * a;
    if (osc == 2 && option == 5) return std::tan(c) * a;
    if (osc == 2 && option == 7) return stepped * a;
    switch (option) {
        case 0: return stepped * a;
        case 1: return std::floor(s) * a;
        case 2: return st * s * a;
        case 3: return s * std::sin(c) * std::tan(s) * std::floor(c) * a;
        case 4: return s * c * std::cos(s) * st * st * a;
        case 5: return std::tan(noise.next(x)) * a;
        case 6: return std::floor(s) / 2 * a + (std::floor(s) - stepped);
        default: return s * a;
    }
}

// The tick worked out plainly, index by index, with no reuse of earlier results: the oracle for
// the engine, which keeps terms from index to index and tick to tick.
struct Reference {
    NoiseGenerator noise;
    std::array<std::array<int, SynthEngine::kTableSize>, 2> bytes{};  // 0 until written
    std::array<std::vector<double>, 2> samples;
    std::array<int, 2> peaks{};
    double t = 0;  // a failed clock reading leaves the last good one

    void tick(VoiceState& v, const std::vector<float>& readings) {
        samples = {};
        peaks = {};
        for (int i = 0; i < SynthEngine::kTableSize; ++i) {
            if (const float r = readings[std::min<std::size_t>(i, readings.size() - 1)];
                std::isfinite(r))
                t = r;
            const double h = std::nearbyint(std::cos(t * v.fmRate / 2) * v.pitch);
            const double x = static_cast<float>(i * 0.01745329251994) * h;
            for (int osc = 1; osc <= 2; ++osc) {
                const int o = osc - 1;
                double s = waveform(osc, osc == 1 ? v.osc1Option : v.osc2Option, x,
                                    osc == 1 ? v.amp1 : v.amp2, noise);
                s *= std::cos(t * v.amRate2) *
                     (osc == 1 ? std::cos(t * v.amRate1) : std::sin(t * v.amRate1));
                if (const int cut = osc == 1 ? v.cut1 : v.cut2; cut > 0) {
                    const double d = 10 * std::log(h / (0.1 * cut) + 1);
                    if (std::isfinite(d) && d != 0) s /= d;
                }
                if (const double b = std::nearbyint(s + 128); b >= 0 && b <= 255)
                    bytes[o][static_cast<std::size_t>(i)] = static_cast<int>(b);
                if (s > peaks[o]) peaks[o] = static_cast<int>(std::nearbyint(s));
                samples[o].push_back(s);
            }
            v.amp1 = v.amp2 = v.envLevel;
        }
    }
};

// A long run of random voices and clock readings, standing or moving within a tick, often the
// same as the tick before: what the listener hears (the two tables) and what the meter shows
// (traces and bars) must be what the plain computation gives, at every tick.
TEST(SynthEngine, EveryTickIsWhatThePlainComputationGives) {
    std::mt19937 rng(2024);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    Synth s;
    Reference ref;
    std::vector<float> readings{0.0f};

    for (int n = 0; n < 2000; ++n) {
        SCOPED_TRACE(n);
        if (pick(0, 2) > 0) {  // otherwise: the same voice and readings again
            VoiceState& v = s.voice;
            v = note(pick(0, 24), pick(0, 7), pick(0, 7), pick(0, 3) ? pick(0, 124) : 0);
            v.amp1 = static_cast<std::int16_t>(pick(0, 124));
            for (std::int16_t* rate : {&v.fmRate, &v.amRate1, &v.amRate2})
                *rate = static_cast<std::int16_t>(pick(0, 2) ? 0 : pick(1, 100));
            v.cut1 = static_cast<std::int16_t>(pick(0, 2) ? 0 : pick(1, 2000));
            v.cut2 = static_cast<std::int16_t>(pick(0, 1) ? 0 : pick(1, 20));
            const float t0 = static_cast<float>(pick(0, 100000)) / 100.0f;
            const float dt = pick(0, 1) ? 0.0f : static_cast<float>(pick(1, 1000)) * 1e-6f;
            readings.assign(SynthEngine::kTableSize, t0);
            for (std::size_t i = 0; i < readings.size(); ++i)
                readings[i] += dt * static_cast<float>(i);
            if (pick(0, 9) == 0) readings[static_cast<std::size_t>(pick(0, 360))] = NAN;
        } else if (pick(0, 1) == 0) {  // the same voice, the clock moved on
            for (float& r : readings)
                r += 0.37f;
        }
        VoiceState expected = s.voice;
        ref.tick(expected, readings);
        s.tick(readings);
        ASSERT_EQ(s.voice.amp1, expected.amp1);
        for (int o = 0; o < 2; ++o) {
            const auto& trace = s.meter.picture[o == 0 ? 0 : 1];  // WPB1, Picture1
            ASSERT_EQ(trace.size(), ref.samples[o].size());
            for (std::size_t i = 0; i < trace.size(); ++i) {
                const double want = ref.samples[o][i];
                ASSERT_NEAR(trace[i], want, 1e-4 + std::fabs(want) * 1e-5)
                    << "osc " << o + 1 << " at " << i;
                const double frac = std::fabs(want + 128 - std::floor(want + 128) - 0.5);
                EXPECT_TRUE(i >= kLoopBytes || frac < 1e-3 || s.tables[o][i] == ref.bytes[o][i])
                    << i;
            }
            EXPECT_NEAR(s.meter.shownBars[o == 0 ? 2 : 3], ref.peaks[o], 1);  // o1VU, Picture2
        }
    }
}

}  // namespace
}  // namespace tavrilo
