#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <vector>

#include "common/Clock.h"
#include "sound/CheckedAssign.h"
#include "sound/MeterCanvas.h"
#include "sound/NoiseGenerator.h"
#include "sound/SynthEngine.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kPi = static_cast<float>(std::numbers::pi);
constexpr float kQuarterPi = static_cast<float>(std::numbers::pi / 4);

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kGreen = 0xFF00FF00;  // RGB(0, 255, 0)

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
    expectAssigns(assignInt16, {{-32768.5, -32768}, {-1.5, -2}, {32767.5, {}}, {-32769.0, {}}});
    expectAssigns(assignInt32, {{2147483647.0, 2147483647}, {-4.5, -4}, {2147483647.5, {}}});
    expectAssigns(assignSingle, {{FLT_MAX, FLT_MAX}, {-1e39, {}}, {kInf, {}}, {kNaN, {}}});
    // A failure anywhere fails the statement: x / (10 ln 0) would be x / -inf = -0 in doubles.
    const Checked x = 3.0, zero = 0.0;
    expectAssigns(assignSingle, {{x / (10.0 * ln(zero)), {}}, {x / zero, {}}, {zero / zero, {}}});
    expectAssigns(assignSingle, {{1.0 / (x * 1e308), {}}, {x / ln(Checked(-1.0)), {}}});
    expectAssigns(assignInt32, {{Int(x / zero), {}}, {Int(Checked(-0.5)), -1}});
    // A call that throws is abandoned alone.
    int done = 0;
    continueOnError([] { throw std::out_of_range("no such buffer"); });
    continueOnError([&] { ++done; });
    EXPECT_EQ(done, 1);
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
    for (double x : {-0.5, -1e-9, -1234.5, -0.0698132}) {
        EXPECT_EQ(a.next(x), fresh.next(x)) << x;
        EXPECT_EQ(a.next(1.0), fresh.next(1.0)) << x;
    }
}

// The table index as an angle in single precision: i x (pi / 180 cut to 13 decimals).
double theta(int i) { return static_cast<float>(i * 0.01745329251994); }
int byteFor(double sample) { return static_cast<int>(std::nearbyint(sample + 128.0)); }
long countOf(const QImage& image, QRgb colour) {
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::count(pixels, pixels + image.width() * image.height(), colour);
}

// What the tick does outside. arg: a plot's table index, a bar's level, a write's buffer.
enum CallKind { Clear, Plot, Bar, Write, Present };
struct Call {
    CallKind kind;
    MeterBox box = MeterBox::WPB1;
    int arg = 0;
    bool operator==(const Call&) const = default;
};

// Sound port, meter and clock in one; its n-th clock reading is clock(n) seconds.
struct Synth final : SoundPort, MeterSink, Clock {
    VoiceState voice;
    SynthEngine engine;
    std::function<float(int)> clock = [](int) { return 0.0f; };
    mutable int reads = 0;
    std::vector<Call> log;
    std::vector<Call> failing;                 // these calls throw once logged
    std::array<std::vector<float>, 4> traces;  // samples plotted, by box

    float ClockSeconds() const override { return clock(reads++); }
    Nanos now() const override { return Nanos(std::llround(clock(reads++) * 1e9)); }
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t>) override {
        record({Write, MeterBox::WPB1, index});
    }
    void clear(MeterBox box) override { record({Clear, box}); }
    void PlotTracePoint(std::int16_t index, float sample, MeterBox box) override {
        traces[static_cast<std::size_t>(box)].push_back(sample);
        record({Plot, box, index});
    }
    void DrawLevelBar(std::int16_t level, MeterBox box) override { record({Bar, box, level}); }
    void present() override { record({Present}); }
    void record(const Call& call) {
        log.push_back(call);
        if (std::ranges::count(failing, call)) throw std::runtime_error("failed");
    }

    void note(std::int16_t pitch, int option1, int option2, std::int16_t level) {
        voice.pitch = pitch;
        voice.osc1Option = option1;
        voice.osc2Option = option2;
        voice.envLevel = voice.amp1 = voice.amp2 = level;
    }
    void tick(float t) {
        clock = [t](int) { return t; };
        tick();
    }
    void tick() {
        log.clear();
        traces = {};
        engine.tick(voice, *this, *this);
    }
    const std::vector<float>& trace(int osc) const { return traces[osc == 1 ? 0 : 1]; }
    const SynthEngine::Table& table(int osc) const {
        return osc == 1 ? engine.osc1Table() : engine.osc2Table();
    }
    int byte(int osc, int index) const { return table(osc)[static_cast<std::size_t>(index)]; }
};

TEST(SynthEngine, SilentBeforeAnyNoteThenPitchFourSineInOrderedCallsAndPositivePeaks) {
    // The silent tick on the real canvas: the centre line y = 125 is row 42 of 85, indices
    // 0..290 cover all its 133 columns, and level 0 leaves a dot. Earlier drawings are cleared.
    Synth s;
    MeterCanvas canvas;
    canvas.PlotTracePoint(3, 60.0f, MeterBox::WPB1);
    canvas.DrawLevelBar(90, MeterBox::o1VU);
    s.engine.tick(s.voice, s, canvas);
    EXPECT_EQ(std::ranges::count(s.table(1), 128) + std::ranges::count(s.table(2), 128), 722);
    for (MeterBox box : {MeterBox::WPB1, MeterBox::Picture1}) {
        EXPECT_EQ(countOf(canvas.image(box), kGreen), 133);
        EXPECT_EQ(countOf(canvas.image(box).copy(0, 42, 133, 1), kGreen), 133);
    }
    for (MeterBox box : {MeterBox::o1VU, MeterBox::Picture2})
        EXPECT_EQ(countOf(canvas.image(box), kBlack), 141 * 5 - 3);  // 3 green: the dot
    // With amRate1 0, sin(t x amRate1) = 0 silences oscillator 2 whatever its waveform. The
    // failing calls are skipped and the tick goes on.
    using enum MeterBox;
    s.failing = {{Clear, o1VU}, {Plot, WPB1, 100}, {Write, WPB1, 0}, {Present}};
    for (int option2 = 0; option2 < 8; ++option2) {
        s.note(4, 7, option2, 100);
        s.tick();
        EXPECT_EQ(s.byte(1, 22), 228) << option2;  // 100 sin(88 deg) = 99.94
        EXPECT_EQ(s.byte(1, 90), 128) << option2;  // a whole turn
        EXPECT_EQ(std::ranges::count(s.table(2), 128), 361) << option2;
        EXPECT_EQ(s.engine.peak1(), 100) << option2;
    }
    std::vector<Call> expected = {
        {Clear, WPB1}, {Clear, o1VU}, {Clear, Picture1}, {Clear, Picture2}};
    for (int i = 0; i <= 360; ++i) {
        expected.push_back({Plot, WPB1, i});
        expected.push_back({Plot, Picture1, i});
    }
    expected.insert(
        expected.end(),
        {{Write, WPB1, 0}, {Bar, o1VU, 100}, {Write, WPB1, 1}, {Bar, Picture2, 0}, {Present}});
    ASSERT_EQ(s.log.size(), expected.size());
    const auto firstOut = std::mismatch(s.log.begin(), s.log.end(), expected.begin()).first;
    EXPECT_EQ(firstOut - s.log.begin(), std::ssize(s.log)) << "first call out of order";
    // Option 1 is -A where sin x < 0, else 0: no positive swing, and each tick starts from 0.
    s.note(2, 1, 1, 100);
    s.voice.amRate1 = 1;
    s.tick(kQuarterPi);
    EXPECT_EQ(s.byte(1, 135), 57);  // 270 deg: -70.7
    EXPECT_EQ(s.engine.peak1(), 0);
    EXPECT_EQ(s.engine.peak2(), 0);
    // tan(1) x 32767 x sin(t) is 24,466 at t = 0.5 s (index 0); 51,032 elsewhere does not fit.
    s.note(0, 7, 5, 32767);
    s.clock = [](int n) { return n % 361 == 0 ? 0.5f : kQuarterPi * 2; };  // n counts on
    s.tick();
    EXPECT_EQ(s.engine.peak2(), 24466);
}

TEST(SynthEngine, ModulationsCutsAndFmGiveTheBytesWorkedByHand) {
    // Oscillator 1 a sine, amplitude 100; the n-th clock reading, one per index, is t0 + n dt s.
    struct Row {
        VoiceState voice;
        double t0, dt;
        int index, byte1, byte2;
    };
    const Row rows[] = {
        // t = i / 100 s: osc 1 50 cos .3 cos .6 = 39.42 (cos(t am2) cos(t am1)), osc 2 26.97 (sin)
        {{.pitch = 1, .amRate1 = 2, .amRate2 = 1}, 0, 0.01, 30, 167, 155},
        {{.pitch = 1, .amRate2 = 1}, kNaN, 0, 90, 228, 128},  // a failed reading leaves t at 0
        // Pitch 4, index 22: 99.94 / (10 ln(4 / (0.1 cut) + 1)); at t = pi/4 x 0.7071.
        {{.pitch = 4, .cut1 = 10}, 0, 0, 22, 134, 128},  // / 16.09
        {{.pitch = 4, .amRate1 = 1, .cut1 = 10, .cut2 = 20}, kQuarterPi, 0, 22, 132, 134},
        // FM at rate 2 with t = pi: harmonic -pitch. -100 / (10 ln(1 - 1/2)) = 14.43.
        {{.pitch = 1, .fmRate = 2, .cut1 = 20}, kPi, 0, 90, 142, 128},
        {{.pitch = 1, .fmRate = 2, .cut1 = 10}, kPi, 0, 90, 28, 128},  // ln 0: uncut
        // Harmonic 0: 10 ln 1 = 0 skips the cut. Option 5 gives tan(cos 0) x 100 x 0.7071.
        {{.amRate1 = 1, .cut1 = 10, .cut2 = 10, .osc2Option = 5}, kQuarterPi, 0, 7, 128, 238},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        Synth s;
        s.voice = row.voice;
        s.note(row.voice.pitch, 7, row.voice.osc2Option, 100);
        s.clock = [&row](int n) { return static_cast<float>(row.t0 + n * row.dt); };
        s.tick();
        EXPECT_EQ(s.byte(1, row.index), row.byte1);
        EXPECT_EQ(s.byte(2, row.index), row.byte2);
    }
}

// The waveforms by oscillator 2's option, worked out by hand: Int(sin x) and Int(cos x) are
// -1 or 0 at these x (never exactly 1), and the bracket of option 6 is not scaled by a.
double waveform2(int option, double x, double a) {
    const double s = std::sin(x), c = std::cos(x), st = std::sin(std::tan(x));
    const double stepped = std::sin(std::floor(x));
    const double values[] = {s * a,
                             s < 0 ? -a : 0.0,
                             st * s * a,
                             c < 0 ? -s * std::sin(c) * std::tan(s) * a : 0.0,
                             s * c * std::cos(s) * st * st * a,
                             std::tan(c) * a,
                             s < 0 ? -a / 2 - 1 - stepped : -stepped,
                             stepped * a};
    return values[option];
}

TEST(SynthEngine, EachWaveformOfBothOscillatorsFollowsItsFormula) {
    // Pitch 3, so x = 3 x index degrees; AM1 at t = pi/4 scales both oscillators by 0.7071.
    // The amplitudes start at 0 and follow the envelope only after the first sample.
    struct Row {
        int option1, option2;  // oscillator 1's option 5 is noise: -1 leaves it out
        std::int16_t amplitude;
        int index, byte;  // on both oscillators; 42.43 = 60 x 0.7071
    };
    const Row rows[] = {
        {0, 7, 60, 30, 164},  // 42.43 sin 1
        {7, 0, 60, 90, 86},   // 270 deg
        {1, 1, 60, 60, 86},   // 180 deg in single precision lies just past pi
        {2, 2, 60, 15, 153},  // sin(tan(pi/4)) x 0.7071 x 42.43 = 25.24
        {3, 3, 60, 50, 137},  // 0.5 sin(-.866) tan(.5) (-1) 42.43 = 8.83
        {4, 4, 60, 10, 133},  // .5 x .866 x cos .5 x sin(tan(pi/6))^2 x 42.43 = 4.80
        {6, 6, 60, 60, 106},  // -30 - 1 - sin 3 = -31.14
        {-1, 5, 60, 50, 78},  // tan(-0.866) x 42.43
        {6, 6, 0, 30, 127},   // a decayed note still sounds: -sin 1 x .7071
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        Synth s;
        s.note(3, row.option1 < 0 ? 5 : row.option1, row.option2, row.amplitude);
        s.voice.amp1 = s.voice.amp2 = 0;
        s.voice.amRate1 = 1;
        s.tick(kQuarterPi);
        EXPECT_EQ(s.voice.amp1 + s.voice.amp2, 2 * row.amplitude);
        for (int osc = row.option1 < 0 ? 2 : 1; osc <= 2; ++osc) {
            for (int i = 0; i <= 360; ++i)
                ASSERT_NEAR(
                    s.trace(osc).at(static_cast<std::size_t>(i)),
                    waveform2(row.option2, 3 * theta(i), i ? row.amplitude : 0) * std::sqrt(0.5),
                    1e-4)
                    << osc << " at " << i;
            EXPECT_EQ(s.byte(osc, row.index), row.byte) << osc;
        }
    }
}

TEST(SynthEngine, NoiseKeepsAnOlderByteWhenTooLoudAndRepeatsOnNegativeX) {
    // tan(r) x 124 reaches 127.5 from r = atan(127.5 / 124) = 0.7993: byte 256, not written,
    // so the sine's byte stays. A generator fed the same arguments (x = 4 theta) tells the r.
    // Index 0 still has the amplitude 0: the envelope reaches amp1 only after the sample.
    Synth s;
    s.note(4, 7, 0, 100);  // draws no noise
    s.tick();
    s.note(4, 5, 0, 124);
    s.voice.amp1 = 0;
    s.tick();
    NoiseGenerator reference;
    int kept = 0;
    for (int i = 0; i <= 360; ++i) {
        const double r = reference.next(theta(i) * 4);
        kept += r >= 0.79932;
        const double noise = std::tan(r) * (i == 0 ? 0 : 124);
        EXPECT_EQ(s.byte(1, i), byteFor(r < 0.79932 ? noise : 100 * std::sin(4 * theta(i)))) << i;
        EXPECT_NEAR(s.trace(1)[i], noise, 1e-4) << i;  // at its true height
    }
    EXPECT_GT(kept, 30);  // a fifth of [0, 1) lies above 0.7993
    // FM at rate 2 with t = pi: harmonic -4, so x = -4 theta reseeds the generator at every
    // index but the first, after whatever noise came before.
    s.note(4, 5, 0, 50);
    s.voice.fmRate = 2;
    for (int pass = 0; pass < 2; ++pass) {
        s.tick(kPi);
        ASSERT_EQ(s.engine.harmonic(), -4);
        for (int i = 1; i <= 360; ++i)
            ASSERT_EQ(s.byte(1, i), byteFor(std::tan(NoiseGenerator().next(theta(i) * -4)) * 50))
                << i;
    }
}

TEST(SynthEngine, ALongLivedEngineComputesWhatFreshOnesDo) {
    // What an engine keeps between ticks must never leak into the next; no noise is drawn.
    struct Step {
        std::int16_t pitch, fmRate, amRate1;
        int option1, option2;
        float t;
    };
    const Step steps[] = {
        {4, 0, 1, 4, 2, 0.5f},     {3, 0, 1, 4, 2, 0.5f}, {4, 0, 0, 3, 6, 0.5f},
        {4, 2, 1, 0, 7, kPi},      {0, 0, 1, 2, 0, 0.7f}, {24, 100, 3, 1, 4, 0.01f},
        {24, 100, 3, 1, 4, 0.02f}, {4, 0, 1, 6, 3, 0.7f},
    };
    Synth longLived;
    for (const Step& step : steps) {
        SCOPED_TRACE(&step - steps);
        Synth fresh;
        for (Synth* s : {&longLived, &fresh}) {
            s->note(step.pitch, step.option1, step.option2, 40);
            s->voice.fmRate = step.fmRate;
            s->voice.amRate1 = step.amRate1;
            s->tick(step.t);
        }
        EXPECT_EQ(longLived.traces, fresh.traces);  // every sample, so every byte too
    }
}

TEST(SynthEngine, IndexThreeSixtyIsComputedPlottedAndPeakedButNotHeard) {
    // The real sound module, paused: the test renders its loops. Pitch 0: oscillator 2 gives
    // tan(1) x 60 x sin(t), t = n / 360 s at read n < 360 (up to 78.6), pi/2 at index 360 (93.44).
    Synth s;
    s.clock = [](int n) { return n < 360 ? static_cast<float>(n / 360.0) : kQuarterPi * 2; };
    modSynth_DX7 sound(s);
    ASSERT_TRUE(sound.InitSound()) << sound.lastError();
    sound.mixer().play(0);
    sound.mixer().play(1);
    s.note(0, 7, 5, 60);
    s.voice.amRate1 = 1;
    s.engine.tick(s.voice, sound, s);
    EXPECT_EQ(s.byte(2, 360), 221);
    EXPECT_EQ(s.engine.peak2(), 93);
    EXPECT_NEAR(s.trace(2).back(), 93.444, 1e-3);
    std::vector<std::int16_t> out(3 * kLoopBytes);
    sound.mixer().render(out.data(), static_cast<int>(out.size()));
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double t = static_cast<float>(static_cast<double>(k % kLoopBytes) / 360.0);
        ASSERT_EQ(out[k], (byteFor(std::tan(1.0) * 60 * std::sin(t)) - 128) * 128) << k;
    }
}

}  // namespace
}  // namespace tavrilo
