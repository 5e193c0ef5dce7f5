#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "common/Clock.h"
#include "sound/CheckedAssign.h"
#include "sound/NoiseGenerator.h"
#include "sound/SynthEngine.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo {
namespace {

using std::chrono::nanoseconds;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------------------------------------
// Continue-on-error assignments

TEST(CheckedAssign, IntegerTargetsRoundHalfToEvenAndRefuseWhatDoesNotFit) {
    struct Row {
        double value;
        bool stored;
        long long expected;  // when stored
    };
    constexpr std::uint8_t kOld8 = 77;
    const Row byteRows[] = {
        {2.5, true, 2},        {3.5, true, 4},      {254.5, true, 254},
        {255.4999, true, 255}, {255.5, false, 0},  // 256 after rounding: no clamp to 255
        {-0.5, true, 0},       {-0.5001, false, 0}, {-3.0, false, 0},
        {kNaN, false, 0},      {kInf, false, 0},    {1e300, false, 0},
    };
    for (const Row& row : byteRows) {
        SCOPED_TRACE(row.value);
        std::uint8_t target = kOld8;
        EXPECT_EQ(assignByte(target, row.value), row.stored);
        EXPECT_EQ(target, row.stored ? row.expected : kOld8);
    }

    const Row int16Rows[] = {
        {32767.4, true, 32767},   {32767.5, false, 0},  // rounds to 32768
        {-32768.5, true, -32768},  // halves go to the even neighbour, which still fits
        {-32769.0, false, 0},     {-1.5, true, -2},    {kNaN, false, 0},
    };
    for (const Row& row : int16Rows) {
        SCOPED_TRACE(row.value);
        std::int16_t target = 1234;
        EXPECT_EQ(assignInt16(target, row.value), row.stored);
        EXPECT_EQ(target, row.stored ? row.expected : 1234);
    }

    const Row int32Rows[] = {
        {2147483647.0, true, 2147483647},
        {2147483647.5, false, 0},
        {-2147483648.0, true, -2147483648LL},
        {-4.5, true, -4},
        {-kInf, false, 0},
    };
    for (const Row& row : int32Rows) {
        SCOPED_TRACE(row.value);
        std::int32_t target = -9;
        EXPECT_EQ(assignInt32(target, row.value), row.stored);
        EXPECT_EQ(target, row.stored ? row.expected : -9);
    }
}

TEST(CheckedAssign, SinglePrecisionRefusesWhatIsNotFiniteOrBeyondItsRange) {
    const double fltMax = FLT_MAX;
    struct Row {
        double value;
        bool stored;
    };
    const Row rows[] = {{fltMax, true}, {-fltMax, true}, {0.1, true},  {2.0 * fltMax, false},
                        {-1e39, false}, {kInf, false},   {kNaN, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        float target = 5.0f;
        EXPECT_EQ(assignSingle(target, row.value), row.stored);
        EXPECT_EQ(target, row.stored ? static_cast<float>(row.value) : 5.0f);
    }
}

TEST(CheckedAssign, AFailureInsideAnExpressionFailsTheWholeStatement) {
    // In plain doubles each of these ends finite (or even as a harmless 0), which a check of
    // the end result alone would let through.
    const Checked x = 3.0;
    const Checked zero = 0.0;
    const Checked minusOne = -1.0;
    struct Row {
        const char* what;
        Checked value;
        double plainDouble;
    };
    const Row rows[] = {
        {"x / (10 ln 0)", x / (10.0 * ln(zero)), 3.0 / (10.0 * std::log(0.0))},
        {"x / (10 ln -1) with a NaN divisor", x / (10.0 * ln(minusOne)), 0.0},
        {"1 / overflow", Checked(1.0) / (Checked(1e308) * 10.0), 1.0 / (1e308 * 10.0)},
        {"x / 0", x / 0.0, 0.0},
        {"0 / 0", Checked(0.0) / 0.0, 0.0},
        {"sin of a failed value", sin(ln(zero)) * 0.0, 0.0},
        {"Int of a failed value", Int(x / 0.0), 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_FALSE(row.value.ok());
        EXPECT_TRUE(std::isfinite(row.plainDouble));
        float target = 42.0f;
        EXPECT_FALSE(assignSingle(target, row.value));
        EXPECT_EQ(target, 42.0f);
    }
    // And what works stays exact.
    EXPECT_DOUBLE_EQ((x / (10.0 * ln(Checked(std::numbers::e)))).value(), 0.3);
    EXPECT_EQ(Int(Checked(-0.5)).value(), -1.0);
}

TEST(CheckedAssign, ACallThatThrowsIsAbandonedAlone) {
    int before = 0;
    int after = 0;
    continueOnError([&] { before = 1; });
    continueOnError([&] {
        throw std::out_of_range("no such buffer");
        after = 1;  // never reached
    });
    continueOnError([&] { throw 17; });
    continueOnError([&] { after = 2; });
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 2);
}

// ---------------------------------------------------------------------------------------------
// Noise generator

TEST(NoiseGenerator, RunsThroughAllTwoToThe24StatesInsideTheUnitInterval) {
    NoiseGenerator noise;
    const double first = noise.next(1.0);
    double low = first;
    double high = first;
    long long period = 0;
    for (long long n = 1; n <= (1LL << 24); ++n) {
        const double r = noise.next(1.0);
        low = std::min(low, r);
        high = std::max(high, r);
        if (r == first) {
            period = n;
            break;
        }
    }
    // Each state maps to its own number, so the first repeat of a number closes the period.
    EXPECT_EQ(period, 1LL << 24);
    EXPECT_EQ(low, 0.0);                     // every state is visited, 0 included...
    EXPECT_EQ(high, 1.0 - 1.0 / (1 << 24));  // ...and 1 never reached
}

TEST(NoiseGenerator, IsRoughlyUniform) {
    NoiseGenerator noise;
    constexpr int kDraws = 100000;
    std::array<int, 10> bins{};
    for (int i = 0; i < kDraws; ++i)
        ++bins[static_cast<std::size_t>(noise.next(0.25 + i) * bins.size())];
    for (std::size_t b = 0; b < bins.size(); ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(bins[b], kDraws / 10, kDraws / 100);  // within 10% of the expectation
    }
}

TEST(NoiseGenerator, ZeroRepeatsTheNumberLastDrawn) {
    NoiseGenerator noise;
    // Before any draw the last number is the start seed's.
    EXPECT_EQ(noise.next(0.0), NoiseGenerator::kStartSeed / 16777216.0);
    const double r = noise.next(0.7);
    EXPECT_EQ(noise.next(0.0), r);
    EXPECT_EQ(noise.next(-0.0), r);
    EXPECT_EQ(noise.next(kNaN), r);
    EXPECT_NE(noise.next(2.0), r);  // a positive argument moves on
}

TEST(NoiseGenerator, TheSameNegativeArgumentGivesTheSameNumberWhateverCameBefore) {
    NoiseGenerator fresh;
    NoiseGenerator used;
    for (int i = 0; i < 1000; ++i)
        used.next(1.0);
    std::vector<double> seen;
    for (double x : {-0.5, -1e-9, -3.0, -1234.5, -0.0698132, -0.0698133}) {
        SCOPED_TRACE(x);
        const double r = fresh.next(x);
        EXPECT_EQ(used.next(x), r);
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
        // And the sequence goes on from the new seed alike.
        EXPECT_EQ(fresh.next(1.0), used.next(1.0));
        seen.push_back(r);
    }
    // Different arguments, even neighbouring ones, land on different numbers.
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

TEST(NoiseGenerator, EveryNewGeneratorStartsTheSameSequence) {
    NoiseGenerator a;
    NoiseGenerator b;
    int changes = 0;
    double previous = a.last();
    for (int i = 0; i < 1000; ++i) {
        const double r = a.next(1.0);
        ASSERT_EQ(b.next(1.0), r) << i;
        changes += r != previous;
        previous = r;
    }
    EXPECT_EQ(changes, 1000);
}

// ---------------------------------------------------------------------------------------------
// The synthesis tick

// The table index as an angle, single precision: i x (pi / 180 cut to 13 decimals).
float theta(int i) {
    return static_cast<float>(i * 0.01745329251994);
}
// The byte a sample becomes (nearest, halves to even).
int byteFor(double sample) {
    return static_cast<int>(std::nearbyint(sample + 128.0));
}
float single(double v) {
    return static_cast<float>(v);
}

constexpr float kPi = static_cast<float>(std::numbers::pi);  // 3.14159274
constexpr float kHalfPi = static_cast<float>(std::numbers::pi / 2);

// Everything the tick does to the outside world, in order.
struct Call {
    enum class Kind { Clear, Plot, Bar, Write, Present };
    Kind kind;
    MeterBox box = MeterBox::WPB1;  // Clear, Plot, Bar
    int index = 0;                  // Plot: table index; Write: buffer index
    float value = 0.0f;             // Plot: sample; Bar: level; Write: table size
    bool operator==(const Call&) const = default;
};

class FakeSoundPort final : public SoundPort {
public:
    explicit FakeSoundPort(std::vector<Call>& log) : m_log(log) {}

    // Seconds for the n-th clock read of this port (n from 0); without a script, the stepped
    // clock. A script may throw to make the read fail.
    std::function<float(int)> script;
    SteppedClock clock;
    std::array<bool, 2> failWrite{};
    std::array<std::vector<std::uint8_t>, 2> written;

    float ClockSeconds() const override {
        const int n = m_reads++;
        if (script) return script(n);
        return single(std::chrono::duration<double>(clock.now()).count());
    }
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) override {
        if (index < 0 || index > 1) throw std::out_of_range("buffer index");
        if (failWrite[static_cast<std::size_t>(index)]) throw std::runtime_error("buffer lost");
        m_log.push_back({Call::Kind::Write, MeterBox::WPB1, index, single(table.size())});
        written[static_cast<std::size_t>(index)].assign(table.begin(), table.end());
    }
    int reads() const { return m_reads; }

private:
    std::vector<Call>& m_log;
    mutable int m_reads = 0;
};

class RecordingMeter final : public MeterSink {
public:
    explicit RecordingMeter(std::vector<Call>& log) : m_log(log) {}
    // Makes the calls it picks throw instead of drawing.
    std::function<bool(const Call&)> fails;

    void clear(MeterBox box) override { record({Call::Kind::Clear, box}); }
    void PlotTracePoint(std::int16_t index, float sample, MeterBox box) override {
        record({Call::Kind::Plot, box, index, sample});
    }
    void DrawLevelBar(std::int16_t level, MeterBox box) override {
        record({Call::Kind::Bar, box, 0, static_cast<float>(level)});
    }
    void present() override { record({Call::Kind::Present}); }

private:
    void record(const Call& call) {
        if (fails && fails(call)) throw std::runtime_error("drawing failed");
        m_log.push_back(call);
    }
    std::vector<Call>& m_log;
};

struct Synth {
    std::vector<Call> log;
    FakeSoundPort port{log};
    RecordingMeter meter{log};
    VoiceState voice;
    SynthEngine engine;

    Synth() { log.reserve(800); }
    void tick() {
        log.clear();
        engine.tick(voice, port, meter);
    }
    void clockAt(float seconds) {
        port.script = [seconds](int) { return seconds; };
    }
    // A note as the step clock leaves it: both amplitudes at the envelope level.
    void note(std::int16_t pitch, int option1, int option2, std::int16_t level) {
        voice.pitch = pitch;
        voice.osc1Option = option1;
        voice.osc2Option = option2;
        voice.envLevel = voice.amp1 = voice.amp2 = level;
    }
    // The samples plotted into a trace box in the last tick, by table index.
    std::vector<float> trace(MeterBox box) const {
        std::vector<float> samples;
        for (const Call& call : log) {
            if (call.kind != Call::Kind::Plot || call.box != box) continue;
            EXPECT_EQ(call.index, static_cast<int>(samples.size()));
            samples.push_back(call.value);
        }
        return samples;
    }
    std::vector<float> bars() const {
        std::vector<float> levels;
        for (const Call& call : log)
            if (call.kind == Call::Kind::Bar) levels.push_back(call.value);
        return levels;
    }
};

TEST(SynthEngine, StartsWithEverythingAtZero) {
    SynthEngine engine;
    EXPECT_EQ(engine.clockTime(), 0.0f);
    EXPECT_EQ(engine.harmonic(), 0);
    EXPECT_EQ(engine.sample1(), 0.0f);
    EXPECT_EQ(engine.sample2(), 0.0f);
    EXPECT_EQ(engine.peak1(), 0);
    EXPECT_EQ(engine.peak2(), 0);
    for (std::uint8_t b : engine.osc1Table())
        ASSERT_EQ(b, 0);
    for (std::uint8_t b : engine.osc2Table())
        ASSERT_EQ(b, 0);
}

TEST(SynthEngine, BeforeAnyNoteEveryTickWritesTheSilentTable) {
    Synth s;
    s.port.clock.set(std::chrono::milliseconds(2500));
    s.tick();
    EXPECT_EQ(s.engine.harmonic(), 0);
    EXPECT_EQ(s.engine.clockTime(), 2.5f);
    for (int osc = 0; osc < 2; ++osc) {
        SCOPED_TRACE(osc);
        const auto& table = osc == 0 ? s.engine.osc1Table() : s.engine.osc2Table();
        EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](auto b) { return b == 128; }));
        // The port gets the whole 361-byte table; the module keeps the first 360.
        const auto& sent = s.port.written[static_cast<std::size_t>(osc)];
        EXPECT_EQ(sent.size(), 361u);
        EXPECT_TRUE(std::equal(sent.begin(), sent.end(), table.begin()));
        const auto trace = s.trace(osc == 0 ? MeterBox::WPB1 : MeterBox::Picture1);
        EXPECT_EQ(trace.size(), 361u);
        EXPECT_TRUE(std::all_of(trace.begin(), trace.end(), [](float v) { return v == 0.0f; }));
    }
    EXPECT_EQ(s.engine.peak1(), 0);
    EXPECT_EQ(s.engine.peak2(), 0);
    EXPECT_EQ(s.bars(), (std::vector<float>{0.0f, 0.0f}));
}

TEST(SynthEngine, PitchFourSineAtAmplitude100AndOscillatorTwoSilentWithoutAm1) {
    // With amRate1 0 oscillator 2 is multiplied by sin(0) = 0, whatever its waveform.
    for (int option2 = 0; option2 < 8; ++option2) {
        SCOPED_TRACE(option2);
        Synth s;
        s.note(4, 7, option2, 100);
        s.tick();
        const auto& table = s.engine.osc1Table();
        EXPECT_EQ(table[22], 228);  // 100 sin(4 x 22 deg) = 99.94
        EXPECT_EQ(table[90], 128);  // 4 x 90 deg is a whole turn
        EXPECT_EQ(table[67], 28);   // 268 deg: -99.94
        for (int i = 0; i <= 360; ++i)
            ASSERT_EQ(table[static_cast<std::size_t>(i)], byteFor(100 * std::sin(4.0 * theta(i))))
                << i;
        for (std::uint8_t b : s.engine.osc2Table())
            ASSERT_EQ(b, 128);
        EXPECT_EQ(s.engine.peak1(), 100);  // round(99.94): the sine never lands on 90 deg
        EXPECT_EQ(s.engine.peak2(), 0);
    }
}

TEST(SynthEngine, EachWaveformFollowsItsFormula) {
    // Pitch 3, amplitude 40, no FM, no AM2. Oscillator 1 rows run with amRate1 0 (factor
    // cos 0 = 1); oscillator 2 rows with amRate1 1 at t = pi/2, whose sine is 1 - 1e-15.
    using Formula = std::function<double(double x, double a)>;
    const Formula steppedSine = [](double x, double a) { return std::sin(std::floor(x)) * a; };
    const Formula sine = [](double x, double a) { return std::sin(x) * a; };
    const Formula negativeHalf = [](double x, double a) { return std::sin(x) < 0 ? -a : 0.0; };
    const Formula sinTan = [](double x, double a) {
        return std::sin(std::tan(x)) * std::sin(x) * a;
    };
    const Formula option3 = [](double x, double a) {
        // Int(cos x) is -1 where cos x < 0 and 0 elsewhere (cos x = 1 only where sin x = 0).
        return std::cos(x) < 0 ? -std::sin(x) * std::sin(std::cos(x)) * std::tan(std::sin(x)) * a
                               : 0.0;
    };
    const Formula option4 = [](double x, double a) {
        const double st = std::sin(std::tan(x));
        return std::sin(x) * std::cos(x) * std::cos(std::sin(x)) * st * st * a;
    };
    const Formula option6 = [](double x, double a) {
        // -a/2 - 1 - sin(Int x) below the axis, -sin(Int x) above it.
        return std::sin(x) < 0 ? -a / 2 - 1 - std::sin(std::floor(x)) : -std::sin(std::floor(x));
    };
    const Formula tanCos = [](double x, double a) { return std::tan(std::cos(x)) * a; };
    struct Check {
        int index;
        int byte;
    };
    struct Row {
        int osc;
        int option;
        Formula formula;
        std::vector<Check> checks;  // by hand; x = 3 x index degrees
    };
    const std::vector<Check> steppedChecks = {{30, 162},  // Int(pi/2) = 1: 40 sin 1 = 33.66
                                              {60, 134},  // Int(3.14159274) = 3: 40 sin 3 = 5.64
                                              {90, 98}};  // Int(4.71) = 4: 40 sin 4 = -30.27
    const std::vector<Check> sineChecks = {{10, 148}, {15, 156}, {30, 168}, {90, 88}};
    const std::vector<Check> halfChecks = {
        {30, 128},  // sin(single pi/2) is just below 1: Int gives 0
        {60, 88},   // 3 x theta(60) lies just past pi: sin < 0, so -40
        {90, 88}};
    const std::vector<Check> sinTanChecks = {{15, 152}, {50, 117}, {90, 164}};
    const std::vector<Check> option3Checks = {
        {50, 136},  // 150 deg: 0.5 x sin(-0.866) x tan(0.5) x -1 x 40 = 8.32
        {15, 128}};
    const std::vector<Check> option4Checks = {{10, 133}, {15, 139}, {50, 123}};
    const std::vector<Check> option6Checks = {{30, 127},   // -sin 1 = -0.84
                                              {60, 107},   // -20 - 1 - sin 3 = -21.14
                                              {90, 108}};  // -20 - 1 - sin 4 = -20.24
    const std::vector<Check> tanCosChecks = {{0, 190},     // tan(1) x 40 = 62.30
                                             {50, 81},     // tan(-0.866) x 40 = -47.03
                                             {60, 66}};    // tan(-1) x 40
    const Row rows[] = {
        {1, 0, steppedSine, steppedChecks}, {1, 1, negativeHalf, halfChecks},
        {1, 2, sinTan, sinTanChecks},       {1, 3, option3, option3Checks},
        {1, 4, option4, option4Checks},     {1, 6, option6, option6Checks},
        {1, 7, sine, sineChecks},           {2, 0, sine, sineChecks},
        {2, 1, negativeHalf, halfChecks},   {2, 2, sinTan, sinTanChecks},
        {2, 3, option3, option3Checks},     {2, 4, option4, option4Checks},
        {2, 5, tanCos, tanCosChecks},       {2, 6, option6, option6Checks},
        {2, 7, steppedSine, steppedChecks},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("oscillator " + std::to_string(row.osc) + " option " +
                     std::to_string(row.option));
        Synth s;
        s.note(3, row.osc == 1 ? row.option : 0, row.osc == 2 ? row.option : 0, 40);
        s.voice.amRate1 = row.osc == 1 ? 0 : 1;
        s.clockAt(kHalfPi);
        s.tick();
        const double am1 = row.osc == 1 ? 1.0 : std::sin(double{kHalfPi});
        const auto trace = s.trace(row.osc == 1 ? MeterBox::WPB1 : MeterBox::Picture1);
        ASSERT_EQ(trace.size(), 361u);
        for (int i = 0; i <= 360; ++i) {
            const double expected = row.formula(3.0 * theta(i), 40.0) * am1;
            ASSERT_NEAR(trace[static_cast<std::size_t>(i)], expected, 1e-4) << i;
        }
        const auto& table = row.osc == 1 ? s.engine.osc1Table() : s.engine.osc2Table();
        for (const Check& check : row.checks) {
            SCOPED_TRACE(check.index);
            EXPECT_EQ(table[static_cast<std::size_t>(check.index)], check.byte);
        }
    }
}

TEST(SynthEngine, AnUnknownWaveformOptionIsSilent) {
    for (int option : {-1, 8, 1000}) {
        SCOPED_TRACE(option);
        Synth s;
        s.note(5, option, option, 100);
        s.voice.amRate1 = 1;
        s.clockAt(1.0f);
        s.tick();
        for (std::uint8_t b : s.engine.osc1Table())
            ASSERT_EQ(b, 128);
        for (std::uint8_t b : s.engine.osc2Table())
            ASSERT_EQ(b, 128);
    }
}

TEST(SynthEngine, NoiseTooLoudForAByteKeepsTheOlderByte) {
    // tan(r) x 124 reaches 127.5 from r = atan(127.5 / 124) = 0.7993 on; those bytes would be
    // 256 and are not written. A reference generator fed the same arguments (x = 4 theta)
    // tells which.
    Synth s;
    NoiseGenerator reference;
    const auto expectNoise = [&](const SynthEngine::Table& older) {
        int kept = 0;
        double loudest = 0;
        const auto trace = s.trace(MeterBox::WPB1);
        for (int i = 0; i <= 360; ++i) {
            SCOPED_TRACE(i);
            const double r = reference.next(double{theta(i)} * 4);
            const std::size_t at = static_cast<std::size_t>(i);
            if (r >= 0.79932) {
                EXPECT_EQ(s.engine.osc1Table()[at], older[at]);
                ++kept;
            } else if (r < 0.79931) {
                EXPECT_EQ(s.engine.osc1Table()[at], byteFor(single(std::tan(r) * 124)));
            }
            EXPECT_NEAR(trace[at], std::tan(r) * 124, 1e-4);  // traced at its true height
            loudest = std::max(loudest, std::tan(r) * 124);
        }
        EXPECT_GT(kept, 30);  // a fifth of [0, 1) lies above 0.7993: about 72 of 361
        // The peak does not care about bytes: the loudest sample, rounded.
        EXPECT_EQ(s.engine.peak1(), std::nearbyint(loudest));
    };

    s.note(4, 5, 0, 124);
    s.tick();
    expectNoise(SynthEngine::Table{});  // before any write the older byte is 0

    s.note(4, 7, 0, 100);
    s.tick();  // a sine table to fall back on (the sine draws no noise)
    const SynthEngine::Table sine = s.engine.osc1Table();
    s.note(4, 5, 0, 124);
    s.tick();
    expectNoise(sine);
}

TEST(SynthEngine, TheCutIsSkippedWhereItsLogarithmFailsAndAppliedOtherwise) {
    // Oscillator 1, pure sine at amplitude 100, no AM. FM at rate 2 with t = pi (single) gives
    // cos(t) = -1 + 4e-15, so the harmonic is -pitch.
    struct Row {
        const char* what;
        std::int16_t pitch;
        std::int16_t fmRate;
        std::int16_t cut;
        int index;
        int byte;
    };
    const Row rows[] = {
        {"cut off", 4, 0, 0, 22, 228},
        // 99.94 / (10 ln(4 / 1 + 1)) = 99.94 / 16.094 = 6.21
        {"harmonic 4, cut 10", 4, 0, 10, 22, 134},
        // -100 / (10 ln(-1 / 2 + 1)) = -100 / -6.931 = 14.43: the sign flips
        {"harmonic -1, cut 20", 1, 2, 20, 90, 142},
        // ln(-1 / 1 + 1) = ln 0: skipped, -100 stays
        {"harmonic -1, cut 10", 1, 2, 10, 90, 28},
        // ln(-4 + 1): skipped; 100 sin(-88 deg) = -99.94
        {"harmonic -4, cut 10", 4, 2, 10, 22, 28},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Synth s;
        s.note(row.pitch, 7, 0, 100);
        s.voice.fmRate = row.fmRate;
        s.voice.cut1 = row.cut;
        s.clockAt(kPi);
        s.tick();
        EXPECT_EQ(s.engine.harmonic(), row.fmRate == 0 ? row.pitch : -row.pitch);
        EXPECT_EQ(s.engine.osc1Table()[static_cast<std::size_t>(row.index)], row.byte);
    }
}

TEST(SynthEngine, AtHarmonicZeroTheCutIsSkippedOnBothOscillators) {
    // Pitch 0: x = 0 at every index and 10 ln(0 / cut + 1) = 0. Oscillator 2 option 5 gives
    // tan(cos 0) x 50 = 77.87, oscillator 1's noise repeats its last number; AM1 at
    // t x rate = pi/4 scales both by 0.7071.
    Synth s;
    s.note(0, 5, 5, 50);
    s.voice.cut1 = 10;
    s.voice.cut2 = 10;
    s.voice.amRate1 = 1;
    s.clockAt(static_cast<float>(std::numbers::pi / 4));
    s.tick();
    EXPECT_EQ(s.engine.harmonic(), 0);
    const double uncut1 = std::tan(NoiseGenerator().last()) * 50 * std::sqrt(0.5);
    const auto trace1 = s.trace(MeterBox::WPB1);
    const auto trace2 = s.trace(MeterBox::Picture1);
    for (std::size_t i = 0; i <= 360; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(trace1[i], uncut1, 1e-4);
        EXPECT_NEAR(trace2[i], 55.063, 1e-3);
        EXPECT_EQ(s.engine.osc2Table()[i], 183);
    }
    EXPECT_EQ(s.engine.peak2(), 55);
}

TEST(SynthEngine, ANegativeHarmonicRepeatsTheSameNoiseOnEveryTick) {
    // fmRate 2 at t = pi: harmonic = round(-4) for pitch 4, so x = -4 theta < 0 reseeds the
    // generator at every index but the first.
    auto run = [](int ticksOfPositiveNoiseFirst) {
        Synth s;
        s.note(4, 5, 0, 50);
        for (int i = 0; i < ticksOfPositiveNoiseFirst; ++i)
            s.tick();
        s.voice.fmRate = 2;
        s.clockAt(kPi);
        s.tick();
        EXPECT_EQ(s.engine.harmonic(), -4);
        std::vector<SynthEngine::Table> tables{s.engine.osc1Table()};
        s.tick();
        tables.push_back(s.engine.osc1Table());
        return tables;
    };
    const auto plain = run(0);
    const auto afterOtherNoise = run(3);
    for (int i = 1; i <= 360; ++i) {
        SCOPED_TRACE(i);
        const std::size_t at = static_cast<std::size_t>(i);
        const double r = NoiseGenerator().next(double{theta(i)} * -4);
        const int expected = byteFor(single(std::tan(r) * 50));
        EXPECT_EQ(plain[0][at], expected);
        EXPECT_EQ(plain[1][at], expected);
        EXPECT_EQ(afterOtherNoise[0][at], expected);
        EXPECT_EQ(afterOtherNoise[1][at], expected);
    }
    // Index 0 has x = 0: it repeats the number drawn last, at index 360 of the tick before.
    EXPECT_EQ(plain[1][0], plain[1][360]);
}

TEST(SynthEngine, TheAmplitudesFollowTheEnvelopeOnlyAfterTheFirstSample) {
    // Pitch 0, so x = 0 everywhere: oscillator 2 option 5 is tan(1) x A, oscillator 1's noise
    // repeats one number. AM1 at t x rate = pi/4 scales both by 0.7071.
    Synth s;
    s.note(0, 5, 5, 60);
    s.voice.amp1 = 30;
    s.voice.amp2 = 20;
    s.voice.amRate1 = 1;
    const float quarterPi = static_cast<float>(std::numbers::pi / 4);
    s.clockAt(quarterPi);
    s.tick();
    const auto trace1 = s.trace(MeterBox::WPB1);
    const auto trace2 = s.trace(MeterBox::Picture1);
    const double half = std::sqrt(0.5);
    EXPECT_NEAR(trace2[0], 31.148 * half, 1e-3);  // tan(1) x 20
    EXPECT_NEAR(trace1[1] / trace1[0], 2.0, 1e-6);
    for (std::size_t i = 1; i <= 360; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(trace2[i], 93.445 * half, 1e-3);  // tan(1) x 60
        EXPECT_EQ(trace1[i], trace1[1]);
    }
    EXPECT_EQ(s.voice.amp1, 60);
    EXPECT_EQ(s.voice.amp2, 60);
    EXPECT_EQ(s.engine.osc2Table()[0], 150);  // 128 + 22.03
    EXPECT_EQ(s.engine.osc2Table()[1], 194);  // 128 + 66.07
}

TEST(SynthEngine, WaveformSevenKeepsItsUnscaledTermAtZeroAmplitude) {
    // A decayed note: envelope and amplitude 0. Option 6 still gives Int(sin x) - sin(Int x).
    Synth s;
    s.note(3, 6, 6, 0);
    s.tick();
    const auto trace = s.trace(MeterBox::WPB1);
    for (int i = 0; i <= 360; ++i) {
        const double x = 3.0 * theta(i);
        const double expected =
            std::sin(x) >= 0 ? -std::sin(std::floor(x)) : -1 - std::sin(std::floor(x));
        ASSERT_NEAR(trace[static_cast<std::size_t>(i)], expected, 1e-6) << i;
    }
    const auto& table = s.engine.osc1Table();
    EXPECT_EQ(table[1], 128);    // Int(0.052) = 0: -sin 0
    EXPECT_EQ(table[30], 127);   // -sin 1 = -0.84
    EXPECT_EQ(table[60], 127);   // just past pi: -1 - sin 3 = -1.14
    EXPECT_EQ(table[100], 128);  // -1 - sin 5 = -0.04
    // The highest sample is at index 360, where x lies just past 6 pi: -sin 18 = 0.75.
    EXPECT_NEAR(trace[360], 0.751, 1e-3);
    EXPECT_EQ(s.engine.peak1(), 1);
}

TEST(SynthEngine, PeaksIgnoreNegativeSwings) {
    // Option 1 is -A where sin x < 0 and 0 elsewhere: nothing positive at all.
    Synth s;
    s.note(2, 7, 0, 100);
    s.tick();
    ASSERT_EQ(s.engine.peak1(), 100);  // a loud tick first: the next one starts from 0 again
    s.note(2, 1, 1, 100);
    s.voice.amRate1 = 1;
    s.clockAt(static_cast<float>(std::numbers::pi / 4));
    s.tick();
    EXPECT_EQ(s.engine.osc1Table()[135], 57);  // 270 deg: -100 x cos(pi/4) = -70.7
    EXPECT_EQ(s.engine.osc2Table()[135], 57);
    EXPECT_EQ(s.engine.peak1(), 0);
    EXPECT_EQ(s.engine.peak2(), 0);
    EXPECT_EQ(s.bars(), (std::vector<float>{0.0f, 0.0f}));
}

TEST(SynthEngine, APeakThatDoesNotFitSixteenBitsLeavesTheEarlierPeak) {
    // Amplitude 32767 at pitch 1 with cut 2000: the divisor 10 ln(1 + 1/200) = 0.04988 lifts
    // the samples 20-fold. Index 2 (2 deg) gives 22,928; index 3 onwards up to 177 exceed
    // 32767.5 (index 3: 34,384) and leave the peak alone; index 178 gives 22,928 again.
    Synth s;
    s.note(1, 7, 0, 32767);
    s.voice.cut1 = 2000;
    s.tick();
    const double divisor = 10 * std::log(1.0 / 200 + 1);
    const double atTwo = single(single(32767 * std::sin(double{theta(2)})) / divisor);
    const double at178 = single(single(32767 * std::sin(double{theta(178)})) / divisor);
    EXPECT_EQ(s.engine.peak1(), std::nearbyint(std::max(atTwo, at178)));
    EXPECT_NEAR(s.engine.peak1(), 22928, 1);
    EXPECT_EQ(s.bars()[0], s.engine.peak1());
}

TEST(SynthEngine, TheModulationsScaleEachOscillator) {
    // Pitch 1 at amplitude 100, index 90 (sample 100 before modulation): oscillator 1 is scaled
    // by cos(t amRate2) cos(t amRate1), oscillator 2 by cos(t amRate2) sin(t amRate1).
    struct Row {
        std::int16_t amRate1;
        std::int16_t amRate2;
        float t;
        int byte1;
        int byte2;
    };
    const float quarterPi = static_cast<float>(std::numbers::pi / 4);
    const Row rows[] = {
        {0, 0, 0.0f, 228, 128},       // AM off: oscillator 2 silent
        {1, 0, quarterPi, 199, 199},  // 70.71 each
        {1, 1, quarterPi, 178, 178},  // 0.7071 x 0.7071 = 0.5
        {2, 1, 0.5f, 175, 202},       // cos .5 cos 1 = 0.474; cos .5 sin 1 = 0.738
        {100, 0, 1.0f, 214, 77},      // cos 100 = 0.862; sin 100 = -0.506
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.amRate1) + " " + std::to_string(row.amRate2));
        Synth s;
        s.note(1, 7, 0, 100);
        s.voice.amRate1 = row.amRate1;
        s.voice.amRate2 = row.amRate2;
        s.clockAt(row.t);
        s.tick();
        EXPECT_EQ(s.engine.osc1Table()[90], row.byte1);
        EXPECT_EQ(s.engine.osc2Table()[90], row.byte2);
    }
}

TEST(SynthEngine, FmSwingsTheHarmonicWithinOneTable) {
    // Pitch 24, fmRate 100, t = n ms at the n-th read: harmonic = round(24 cos(50 t)). Cut 100
    // follows the harmonic: divisor 10 ln(h / 10 + 1).
    Synth s;
    s.note(24, 7, 0, 100);
    s.voice.fmRate = 100;
    s.voice.cut1 = 100;
    s.port.script = [](int n) { return single(n * 0.001); };
    s.tick();
    // Index 10: 24 cos 0.5 = 21.06 -> 21; 21 x 10 deg = 210 deg: -50 / (10 ln 3.1) = -4.42
    EXPECT_EQ(s.engine.osc1Table()[10], 124);
    // Index 20: 24 cos 1 = 12.97 -> 13; 260 deg: -98.48 / (10 ln 2.3) = -11.82
    EXPECT_EQ(s.engine.osc1Table()[20], 116);
    // Index 360: 24 cos 18 = 15.85 -> 16
    EXPECT_EQ(s.engine.harmonic(), 16);

    // 4 cos(pi/3) is 1.9999999 in single-precision time: rounded, not cut down, to 2.
    Synth third;
    third.note(4, 7, 0, 100);
    third.voice.fmRate = 2;
    third.clockAt(static_cast<float>(std::numbers::pi / 3));
    third.tick();
    EXPECT_EQ(third.engine.harmonic(), 2);
}

TEST(SynthEngine, EachOscillatorIsCutByItsOwnValue) {
    // Oscillator 2, pure sine at pitch 4 and amplitude 100, heard through AM1 at t = pi/2.
    // Index 22: 99.94 / (10 ln(4 / (0.1 cut) + 1)).
    struct Row {
        std::int16_t cut1;
        std::int16_t cut2;
        int byte2;
    };
    const Row rows[] = {
        {20, 10, 134},  // 10 ln 5 = 16.09: 6.21
        {10, 20, 137},  // 10 ln 3 = 10.99: 9.10
        {10, 0, 228},   // uncut
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.cut1) + " " + std::to_string(row.cut2));
        Synth s;
        s.note(4, 7, 0, 100);
        s.voice.amRate1 = 1;
        s.voice.cut1 = row.cut1;
        s.voice.cut2 = row.cut2;
        s.clockAt(kHalfPi);
        s.tick();
        EXPECT_EQ(s.engine.osc2Table()[22], row.byte2);
    }
}

TEST(SynthEngine, ATickDependsOnlyOnTheVoiceAndTheClockNotOnEarlierTicks) {
    // One engine through a run of voices against a fresh engine for each: what an engine keeps
    // between ticks (terms of x, time terms) must never leak into the next tick. Amplitudes
    // stay within a byte, and no noise is drawn, so the tables must agree byte for byte.
    struct Step {
        std::int16_t pitch;
        std::int16_t fmRate;
        std::int16_t amRate1;
        int option1;
        int option2;
        float t;
    };
    const Step steps[] = {
        {4, 0, 1, 4, 2, 0.5f},     {3, 0, 1, 4, 2, 0.5f},     {4, 0, 0, 3, 6, 0.5f},
        {4, 2, 1, 0, 7, kPi},      {4, 0, 1, 6, 3, 0.7f},     {0, 0, 1, 2, 0, 0.7f},
        {24, 100, 3, 1, 4, 0.01f}, {24, 100, 3, 1, 4, 0.02f}, {4, 0, 1, 7, 5, 0.5f},
    };
    Synth longLived;
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.pitch) + " at " + std::to_string(step.t));
        Synth fresh;
        for (Synth* s : {&longLived, &fresh}) {
            s->note(step.pitch, step.option1, step.option2, 40);
            s->voice.fmRate = step.fmRate;
            s->voice.amRate1 = step.amRate1;
            s->clockAt(step.t);
            s->tick();
        }
        EXPECT_EQ(longLived.engine.harmonic(), fresh.engine.harmonic());
        EXPECT_EQ(longLived.engine.osc1Table(), fresh.engine.osc1Table());
        EXPECT_EQ(longLived.engine.osc2Table(), fresh.engine.osc2Table());
        EXPECT_EQ(longLived.trace(MeterBox::WPB1), fresh.trace(MeterBox::WPB1));
        EXPECT_EQ(longLived.trace(MeterBox::Picture1), fresh.trace(MeterBox::Picture1));
    }
}

TEST(SynthEngine, TheClockIsReadAtEveryIndex) {
    // t = n / 100 s at the n-th read. Pitch 1 at amplitude 100, oscillator 2 a pure sine:
    // index i is scaled by cos(t amRate2) and then cos or sin of t amRate1, t = i / 100.
    struct Row {
        std::int16_t amRate1;
        int at30[2];  // bytes of oscillators 1 and 2
        int at90[2];
    };
    const Row rows[] = {
        // 50 cos 0.3 = 47.77; 100 cos 0.9 = 62.16; oscillator 2 silent
        {0, {176, 128}, {190, 128}},
        // 47.77 cos 0.6 = 39.42, 47.77 sin 0.6 = 26.97; 62.16 cos 1.8 = -14.12, sin: 60.54
        {2, {167, 155}, {114, 189}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.amRate1);
        Synth s;
        s.note(1, 7, 0, 100);
        s.voice.amRate2 = 1;
        s.voice.amRate1 = row.amRate1;
        s.port.script = [](int n) { return single(n * 0.01); };
        s.tick();
        EXPECT_EQ(s.port.reads(), 361);
        EXPECT_EQ(s.engine.clockTime(), single(3.60));
        EXPECT_EQ(s.engine.osc1Table()[30], row.at30[0]);
        EXPECT_EQ(s.engine.osc2Table()[30], row.at30[1]);
        EXPECT_EQ(s.engine.osc1Table()[90], row.at90[0]);
        EXPECT_EQ(s.engine.osc2Table()[90], row.at90[1]);
        s.tick();
        EXPECT_EQ(s.port.reads(), 722);
    }
}

TEST(SynthEngine, AFailingClockLeavesTheTimeStanding) {
    // Reads 0..9 give 1 s, then the clock fails: t stays 1 s for the rest of the table.
    Synth s;
    s.note(1, 7, 0, 100);
    s.voice.amRate2 = 1;
    s.port.script = [](int n) -> float {
        if (n < 10) return 1.0f;
        if (n % 2) return std::numeric_limits<float>::quiet_NaN();
        throw std::runtime_error("no counter");
    };
    s.tick();
    EXPECT_EQ(s.engine.clockTime(), 1.0f);
    EXPECT_EQ(s.engine.osc1Table()[90], 182);  // 100 x cos(1) = 54.03
    // The first tick of a run with no counter at all keeps t at 0: no modulation.
    Synth none;
    none.note(1, 7, 0, 100);
    none.voice.amRate2 = 1;
    none.port.script = [](int) -> float { throw std::runtime_error("no counter"); };
    none.tick();
    EXPECT_EQ(none.engine.clockTime(), 0.0f);
    EXPECT_EQ(none.engine.osc1Table()[90], 228);
}

TEST(SynthEngine, MeterAndSoundCallsComeInTheirOrder) {
    Synth s;
    s.note(2, 7, 0, 80);
    s.tick();
    ASSERT_EQ(s.log.size(), 4u + 2 * 361 + 5);
    const std::vector<Call> head(s.log.begin(), s.log.begin() + 4);
    EXPECT_EQ(head, (std::vector<Call>{{Call::Kind::Clear, MeterBox::WPB1},
                                       {Call::Kind::Clear, MeterBox::o1VU},
                                       {Call::Kind::Clear, MeterBox::Picture1},
                                       {Call::Kind::Clear, MeterBox::Picture2}}));
    for (int i = 0; i <= 360; ++i) {
        const Call& first = s.log[static_cast<std::size_t>(4 + 2 * i)];
        const Call& second = s.log[static_cast<std::size_t>(5 + 2 * i)];
        ASSERT_EQ(first.kind, Call::Kind::Plot);
        ASSERT_EQ(first.box, MeterBox::WPB1);
        ASSERT_EQ(first.index, i);
        ASSERT_EQ(second.kind, Call::Kind::Plot);
        ASSERT_EQ(second.box, MeterBox::Picture1);
        ASSERT_EQ(second.index, i);
    }
    const std::vector<Call> tail(s.log.end() - 5, s.log.end());
    EXPECT_EQ(tail, (std::vector<Call>{{Call::Kind::Write, MeterBox::WPB1, 0, 361.0f},
                                       {Call::Kind::Bar, MeterBox::o1VU, 0, 80.0f},
                                       {Call::Kind::Write, MeterBox::WPB1, 1, 361.0f},
                                       {Call::Kind::Bar, MeterBox::Picture2, 0, 0.0f},
                                       {Call::Kind::Present}}));
}

TEST(SynthEngine, AFailingCallIsSkippedAndTheTickGoesOn) {
    Synth s;
    s.note(2, 7, 0, 80);
    s.port.failWrite[0] = true;
    s.meter.fails = [](const Call& call) {
        return (call.kind == Call::Kind::Clear && call.box == MeterBox::o1VU) ||
               (call.kind == Call::Kind::Plot && call.box == MeterBox::WPB1 && call.index == 100) ||
               call.kind == Call::Kind::Present;
    };
    s.tick();
    EXPECT_EQ(s.log.size(), 4u + 2 * 361 + 5 - 3 - 1);  // three failed draws, one failed write
    EXPECT_EQ(s.trace(MeterBox::Picture1).size(), 361u);
    EXPECT_TRUE(s.port.written[0].empty());
    EXPECT_EQ(s.port.written[1].size(), 361u);
    EXPECT_EQ(s.bars(), (std::vector<float>{80.0f, 0.0f}));
    EXPECT_EQ(s.engine.osc1Table()[45], 208);  // 90 deg at harmonic 2: +80
}

// The real sound module behind the tick, device paused: the test renders its loops itself.

// A clock whose n-th reading is scripted.
class ScriptedClock final : public Clock {
public:
    explicit ScriptedClock(std::function<Nanos(int)> script) : m_script(std::move(script)) {}
    Nanos now() const override { return m_script(m_reads++); }

private:
    std::function<Nanos(int)> m_script;
    mutable int m_reads = 0;
};

class SynthOnTheSoundModule : public ::testing::Test {
protected:
    std::vector<std::int16_t> render(modSynth_DX7& sound, int frames) {
        std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
        sound.mixer().render(out.data(), frames);
        return out;
    }
    void open(modSynth_DX7& sound) {
        ASSERT_TRUE(sound.InitSound()) << sound.lastError();
        sound.mixer().play(0);
        sound.mixer().play(1);
    }
    std::vector<Call> log;
    RecordingMeter meter{log};
    VoiceState voice;
    SynthEngine engine;
};

TEST_F(SynthOnTheSoundModule, TheLoopsPlayWhatTheTickComputed) {
    SteppedClock clock;
    clock.set(nanoseconds(785'398'163));  // pi / 4 s: AM1 gives both oscillators 0.7071
    modSynth_DX7 sound(clock);
    open(sound);
    voice.pitch = 4;
    voice.envLevel = voice.amp1 = voice.amp2 = 100;
    voice.amRate1 = 1;
    voice.osc1Option = 7;
    voice.osc2Option = 7;
    engine.tick(voice, sound, meter);
    const auto& t1 = engine.osc1Table();
    const auto& t2 = engine.osc2Table();
    ASSERT_NE(std::count(t1.begin(), t1.end(), 128), 361);
    ASSERT_NE(std::count(t2.begin(), t2.end(), 128), 361);
    const auto out = render(sound, 2 * kLoopBytes);
    for (std::size_t k = 0; k < out.size(); ++k) {
        const std::size_t i = k % kLoopBytes;
        ASSERT_EQ(out[k], (t1[i] - 128) * 128 + (t2[i] - 128) * 128) << k;
    }
}

TEST_F(SynthOnTheSoundModule, IndexThreeSixtyIsComputedPlottedAndPeakedButNotHeard) {
    // Pitch 0 noise at amplitude 50 repeats one number r: tan(r) x 50 at every index. AM2 at
    // rate 1 with t = pi/2 silences indices 0..359; the last read gives t = 0, so only index
    // 360 sounds.
    ScriptedClock clock([](int n) { return nanoseconds(n < 360 ? 1'570'796'327 : 0); });
    modSynth_DX7 sound(clock);
    open(sound);
    voice.osc1Option = 5;
    voice.envLevel = voice.amp1 = voice.amp2 = 50;
    voice.amRate2 = 1;
    engine.tick(voice, sound, meter);

    const double loud = std::tan(NoiseGenerator().last()) * 50;
    ASSERT_GT(loud, 1.0);
    const auto& table = engine.osc1Table();
    EXPECT_EQ(table[360], byteFor(loud));
    for (int i = 0; i < 360; ++i)
        ASSERT_EQ(table[static_cast<std::size_t>(i)], 128) << i;
    EXPECT_EQ(engine.peak1(), std::nearbyint(loud));
    const Call lastPlot = *std::find_if(log.rbegin(), log.rend(), [](const Call& c) {
        return c.kind == Call::Kind::Plot && c.box == MeterBox::WPB1;
    });
    EXPECT_EQ(lastPlot.index, 360);
    EXPECT_NEAR(lastPlot.value, loud, 1e-4);
    // The loops hear none of it.
    const auto out = render(sound, 3 * kLoopBytes);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t v) { return v == 0; }));
}

}  // namespace
}  // namespace tavrilo
