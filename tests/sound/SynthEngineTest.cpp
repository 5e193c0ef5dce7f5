#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <stdexcept>
#include <vector>

#include "sound/CheckedAssign.h"
#include "sound/LoopMixer.h"
#include "sound/NoiseGenerator.h"
#include "sound/SynthEngine.h"
#include "support/Fakes.h"

namespace tavrilo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kPi = static_cast<float>(std::numbers::pi);
constexpr float kQuarterPi = static_cast<float>(std::numbers::pi / 4);

using Assigned = std::pair<Checked, std::optional<double>>;  // no value: refused, target kept
template <typename T>
void expectAssigns(bool (*assign)(T&, Checked), std::initializer_list<Assigned> rows) {
    for (const auto& [value, stored] : rows) {
        T target = 7;
        EXPECT_EQ(assign(target, value), stored.has_value()) << value.value();
        EXPECT_EQ(target, static_cast<T>(stored.value_or(7))) << value.value();
    }
}

TEST(CheckedAssign, StoresOnlyFiniteValuesThatFitRoundedHalfToEven) {
    // 255.5 rounds to 256, which is refused, never clamped.
    expectAssigns(assignByte, {{2.5, 2}, {3.5, 4}, {-0.5, 0}, {-0.6, {}}, {255.5, {}}});
    expectAssigns(assignInt16, {{-32768.5, -32768}, {32767.5, {}}, {-32769.0, {}}});
    expectAssigns(assignSingle, {{FLT_MAX, FLT_MAX}, {-1e39, {}}, {kNaN, {}}});
    // A failure anywhere fails the statement: x / (10 ln 0) would be x / -inf = -0 in doubles.
    const Checked x = 3.0, zero = 0.0;
    expectAssigns(assignSingle, {{x / (10.0 * ln(zero)), {}}, {x / zero, {}}, {zero / zero, {}}});
    expectAssigns(assignSingle, {{1.0 / (x * 1e308), {}}, {x / ln(Checked(-1.0)), {}}});
    expectAssigns(assignInt32, {{Int(x / zero), {}}, {Int(Checked(-0.5)), -1}});
}

TEST(NoiseGenerator, PositiveMovesOnZeroRepeatsNegativeReseeds) {
    // Every new generator gives the same sequence in [0, 1), whatever the positive arguments.
    NoiseGenerator a, b;
    double last = -1.0;
    for (int i = 0; i < 10000; ++i) {
        const double r = a.next(1.0);
        ASSERT_EQ(b.next(0.25 + i), r) << i;
        ASSERT_TRUE(r >= 0.0 && r < 1.0 && r != last) << r;
        last = r;
    }
    for (double zero : {0.0, -0.0, kNaN})
        EXPECT_EQ(a.next(zero), last);
    // The same negative x gives the same number whatever came before, and the same sequence.
    NoiseGenerator fresh;
    for (double x : {-0.5, -1e-9, -1234.5}) {
        EXPECT_EQ(a.next(x), fresh.next(x)) << x;
        EXPECT_EQ(a.next(1.0), fresh.next(1.0)) << x;
    }
}

// A sound port whose n-th clock reading within a tick is readings[n] (the last one repeated).
struct Port final : SoundPort {
    std::vector<float> readings{0.0f};
    mutable std::size_t read = 0;
    std::array<std::vector<std::uint8_t>, 2> tables;
    float ClockSeconds() const override {
        const float t = readings[std::min(read, readings.size() - 1)];
        ++read;
        return t;
    }
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) override {
        tables.at(static_cast<std::size_t>(index))
            .assign(table.begin(), table.begin() + kLoopBytes);
    }
};

struct Synth {
    VoiceState voice;
    SynthEngine engine;
    Port port;
    test::FakeMeter meter;
    void tick(float t) { tick(std::vector<float>{t}); }
    void tick(std::vector<float> readings) {
        port.readings = std::move(readings);
        port.read = 0;
        engine.tick(voice, port, meter);
    }
    int byte(int osc, int index) const {
        return (osc == 1 ? engine.osc1Table()
                         : engine.osc2Table())[static_cast<std::size_t>(index)];
    }
};

VoiceState note(std::int16_t pitch, int option1, int option2, std::int16_t level) {
    VoiceState v;
    v.pitch = pitch;
    v.osc1Option = option1;
    v.osc2Option = option2;
    v.envLevel = v.amp1 = v.amp2 = level;
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

    void tick(VoiceState& v, const std::vector<float>& readings) {
        samples = {};
        peaks = {};
        for (int i = 0; i < SynthEngine::kTableSize; ++i) {
            const double t = readings[std::min<std::size_t>(i, readings.size() - 1)];
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
            v = note(static_cast<std::int16_t>(pick(0, 24)), pick(0, 7), pick(0, 7),
                     static_cast<std::int16_t>(pick(0, 3) ? pick(0, 124) : 0));
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
                    << "osc " << o + 1 << " index " << i;
                const double frac = std::fabs(want + 128 - std::floor(want + 128) - 0.5);
                if (i < kLoopBytes && frac > 1e-3) {
                    ASSERT_EQ(s.port.tables[o][i], ref.bytes[o][i])
                        << "osc " << o + 1 << " at " << i;
                }
            }
            EXPECT_NEAR(s.meter.shownBars[o == 0 ? 2 : 3], ref.peaks[o], 1);  // o1VU, Picture2
        }
    }
}

// Bytes worked out by hand. Oscillator 1 a sine at amplitude 100 unless told; the n-th clock
// reading is t0 + n dt seconds.
TEST(SynthEngine, BytesWorkedByHand) {
    struct Row {
        VoiceState voice;
        float t0, dt;
        int index, byte1, byte2;
    };
    const Row rows[] = {
        {note(4, 7, 0, 100), 0, 0, 22, 228, 128},  // 100 sin 88 deg; AM1 rate 0 silences osc 2
        {note(4, 7, 0, 100), 0, 0, 90, 128, 128},  // a whole turn
        {{.pitch = 1, .amRate2 = 1, .osc1Option = 7}, NAN, 0, 90, 228, 128},  // failed clock: t 0
        // t = i / 100 s: 50 cos .3 cos .6 = 39.42 (cos(t am2) cos(t am1)), osc 2 26.97 (sin)
        {{.pitch = 1, .amRate1 = 2, .amRate2 = 1, .osc1Option = 7}, 0, 0.01f, 30, 167, 155},
        // Pitch 4, index 22: 99.94 / (10 ln(4 / (0.1 cut) + 1)); at t = pi/4 x 0.7071.
        {{.pitch = 4, .cut1 = 10, .osc1Option = 7}, 0, 0, 22, 134, 128},
        {{.pitch = 4, .amRate1 = 1, .cut1 = 10, .cut2 = 20, .osc1Option = 7},
         kQuarterPi,
         0,
         22,
         132,
         134},
        // FM at rate 2 with t = pi: harmonic -pitch. -100 / (10 ln(1 - 1/2)) = 14.43; ln 0: uncut.
        {{.pitch = 1, .fmRate = 2, .cut1 = 20, .osc1Option = 7}, kPi, 0, 90, 142, 128},
        {{.pitch = 1, .fmRate = 2, .cut1 = 10, .osc1Option = 7}, kPi, 0, 90, 28, 128},
        // Harmonic 0: 10 ln 1 = 0 skips the cut. Option 5 gives tan(cos 0) x 100 x 0.7071.
        {{.amRate1 = 1, .cut1 = 10, .cut2 = 10, .osc1Option = 7, .osc2Option = 5},
         kQuarterPi,
         0,
         7,
         128,
         238},
        // Pitch 3 at t = pi/4 with AM1: 42.43 = 60 x 0.7071 on both oscillators.
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 0, .osc2Option = 7},
         kQuarterPi,
         0,
         30,
         164,
         164},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 7, .osc2Option = 0},
         kQuarterPi,
         0,
         90,
         86,
         86},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 1, .osc2Option = 1},
         kQuarterPi,
         0,
         60,
         86,
         86},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 2, .osc2Option = 2},
         kQuarterPi,
         0,
         15,
         153,
         153},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 4, .osc2Option = 4},
         kQuarterPi,
         0,
         10,
         133,
         133},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 3, .osc2Option = 5},
         kQuarterPi,
         0,
         50,
         137,
         78},
        {{.pitch = 3, .amRate1 = 1, .envLevel = 60, .osc1Option = 6, .osc2Option = 6},
         kQuarterPi,
         0,
         60,
         106,
         106},
        {{.pitch = 3, .amRate1 = 1, .osc1Option = 6, .osc2Option = 6},
         kQuarterPi,
         0,
         30,
         127,
         127},  // at rest
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        Synth s;
        s.voice = row.voice;
        if (s.voice.envLevel == 0 && row.voice.osc1Option == 7) s.voice.envLevel = 100;
        s.voice.amp1 = s.voice.amp2 = s.voice.envLevel;
        std::vector<float> readings;
        for (int i = 0; i <= 360; ++i)
            readings.push_back(row.t0 + row.dt * static_cast<float>(i));
        s.tick(readings);
        EXPECT_EQ(s.byte(1, row.index), row.byte1);
        EXPECT_EQ(s.byte(2, row.index), row.byte2);
    }
}

// Noise above 127.5 (tan(r) x 124 with r from 0.7993) does not fit a byte: the byte of the last
// tick stays. With FM turning the harmonic negative, x reseeds the generator at every index, so
// the same x gives the same noise, tick after tick.
TEST(SynthEngine, LoudNoiseKeepsTheOlderByteAndNegativeXRepeats) {
    Synth s;
    s.voice = note(4, 7, 0, 100);
    s.tick(0.0f);
    s.voice = note(4, 5, 0, 124);
    s.tick(0.0f);
    NoiseGenerator reference;
    int kept = 0;
    for (int i = 1; i <= 360; ++i) {
        const double r = reference.next(static_cast<float>(i * 0.01745329251994) * 4.0);
        kept += r >= 0.79932;
        const int sine = static_cast<int>(
            std::nearbyint(100 * std::sin(4 * static_cast<float>(i * 0.01745329251994)) + 128));
        EXPECT_EQ(s.byte(1, i),
                  r < 0.79932 ? static_cast<int>(std::nearbyint(std::tan(r) * 124 + 128)) : sine)
            << i;
    }
    EXPECT_GT(kept, 30);
    s.voice = note(4, 5, 0, 50);
    s.voice.fmRate = 2;
    for (int pass = 0; pass < 2; ++pass) {
        s.tick(kPi);
        ASSERT_EQ(s.engine.harmonic(), -4);
        for (int i = 1; i <= 360; ++i)
            ASSERT_EQ(s.byte(1, i),
                      std::nearbyint(std::tan(NoiseGenerator().next(
                                         static_cast<float>(i * 0.01745329251994) * -4.0)) *
                                         50 +
                                     128))
                << i;
    }
}

// The tick's calls in order: the four boxes cleared, two trace points per index, then each
// table written followed by its bar, then the picture shown. A call that fails is skipped alone.
TEST(SynthEngine, CallsInOrderAndAFailingCallIsSkippedAlone) {
    struct Log final : SoundPort, MeterSink {
        std::vector<std::string> calls;
        float ClockSeconds() const override { return 0.0f; }
        void WriteSoundBuffer(std::int16_t i, std::span<const std::uint8_t>) override {
            log("write" + std::to_string(i));
        }
        void clear(MeterBox b) override { log("clear" + std::to_string(static_cast<int>(b))); }
        void PlotTracePoint(std::int16_t i, float, MeterBox b) override {
            if (i == 100) log("plot" + std::to_string(static_cast<int>(b)));
        }
        void DrawLevelBar(std::int16_t level, MeterBox b) override {
            log("bar" + std::to_string(static_cast<int>(b)) + "=" + std::to_string(level));
        }
        void present() override { log("present"); }
        void log(const std::string& call) {
            calls.push_back(call);
            if (call == "clear2" || call == "plot0" || call == "write0")
                throw std::runtime_error(call);
        }
    } log;
    VoiceState voice = note(4, 7, 0, 100);
    SynthEngine engine;
    engine.tick(voice, log, log);
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"clear0", "clear2", "clear1", "clear3", "plot0", "plot1",
                                        "write0", "bar2=100", "write1", "bar3=0", "present"}));
    EXPECT_EQ(engine.osc1Table()[22], 228);
}

// Table index 360 is computed, peaked and plotted but never heard: the loops mix 360 bytes.
TEST(SynthEngine, IndexThreeSixtyIsPeakedButNotHeard) {
    Synth s;
    s.voice = note(0, 7, 5, 60);  // oscillator 2: tan(1) x 60 x sin(t)
    s.voice.amRate1 = 1;
    std::vector<float> readings(360, 0.5f);
    readings.push_back(kPi / 2);
    s.tick(readings);
    EXPECT_EQ(s.byte(2, 360), 221);
    EXPECT_EQ(s.engine.peak2(), 93);
    LoopMixer mixer;
    mixer.publish(
        0, std::span<const std::uint8_t, kLoopBytes>(s.engine.osc1Table().data(), kLoopBytes));
    mixer.publish(
        1, std::span<const std::uint8_t, kLoopBytes>(s.engine.osc2Table().data(), kLoopBytes));
    mixer.play(0);
    mixer.play(1);
    std::vector<std::int16_t> out(2 * kLoopBytes);
    mixer.render(out.data(), static_cast<int>(out.size()));
    const int loud =
        (static_cast<int>(std::nearbyint(std::tan(1.0) * 60 * std::sin(0.5) + 128)) - 128) * 128;
    EXPECT_EQ(std::count(out.begin(), out.end(), loud), static_cast<long>(out.size()));
}

}  // namespace
}  // namespace tavrilo
