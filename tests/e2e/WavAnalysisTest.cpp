#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/WavAnalysis.h"

namespace tavrilo::wav {
namespace {

using namespace std::string_literals;
using Samples = std::vector<std::int16_t>;
using Signal = std::function<double(double)>;  // of the time in seconds; stays within 16 bits
constexpr int kRate = 22050;
constexpr double kLoopHz = 22050.0 / 360.0;  // one pass through a 360-sample loop: 61.25 Hz
const auto sine = [](double hz, double t) { return std::sin(2 * std::numbers::pi * hz * t); };

// `seconds` of f plus noise uniform in [-noisy, noisy], so of RMS noisy / sqrt(3), fixed seed.
Samples render(double seconds, double noisy, const Signal& f) {
    std::mt19937 engine(1234u);
    Samples out(static_cast<std::size_t>(std::lround(seconds * kRate)));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double n = noisy * (2.0 * static_cast<double>(engine()) / 4294967295.0 - 1.0);
        out[i] = static_cast<std::int16_t>(std::lround(f(static_cast<double>(i) / kRate) + n));
    }
    return out;
}

// A note every 200 ms, up over 60 ms and down over 120 ms, as the default attack and decay go.
double noteEnvelope(double t) {
    return std::max(0.0, std::min(std::fmod(t, 0.2) / 0.06, (0.18 - std::fmod(t, 0.2)) / 0.12));
}

// PCM, mono, 22050 Hz, 44100 bytes/s, 2-byte frames, 16 bits: 0, 1000, -1000, 32767, -32768.
const std::string kWav =
    "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x22\x56\0\0\x44\xAC\0\0\2\0\x10\0"
    "data\x0A\0\0\0\0\0\xE8\x03\x18\xFC\xFF\x7F\0\x80"s;

TEST(WavParse, ReadsWhatTheRecorderWritesAndRejectsWhatItCannotAnalyse) {
    const std::tuple<const char*, bool, std::size_t, std::size_t, std::string> rows[] = {
        {"plain PCM", true, 0, 0, ""},
        {"odd LIST chunk and its pad byte", true, 36, 0, "LIST\5\0\0\0INFOx\0"s},
        {"extensible: cbSize, bits, mask, GUID led by the PCM tag", true, 16, 20,
         "\x28\0\0\0\xFE\xFF\1\0\x22\x56\0\0\x44\xAC\0\0\2\0\x10\0"
         "\x16\0\x10\0\4\0\0\0\1\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71"s},
        {"cut short: data size 0", true, 40, 4, "\0\0\0\0"s},
        {"cut short: data size too large", true, 40, 4, "\xFF\xFF\xFF\xFF"},
        {"cut short: half a sample", true, 40, 14, "\0\0\0\0\0\0\xE8\3\x18\xFC\xFF\x7F\0\x80\x7F"s},
        {"8-bit", false, 34, 1, "\x08"},
        {"stereo", false, 22, 1, "\2"},
        {"float", false, 20, 1, "\3"},
        {"not WAVE", false, 8, 4, "AVI "},
        {"shorter than a header", false, 10, 100, ""},
        {"no data chunk", false, 36, 100, ""},
        {"fmt chunk past the end", false, 16, 2, "\xFF\xFF"},
    };
    for (const auto& [name, valid, at, count, bytes] : rows) {
        SCOPED_TRACE(name);
        const std::string image = std::string(kWav).replace(at, count, bytes);
        const std::span data(reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
        if (valid) {
            EXPECT_EQ(parseWav(data).samples, (Samples{0, 1000, -1000, 32767, -32768}));
            EXPECT_EQ(parseWav(data).sampleRate, kRate);
        } else {
            EXPECT_THROW(parseWav(data), WavError);
        }
    }
}

TEST(Levels, RmsOfKnownSignalsAndWindows) {
    EXPECT_EQ(rms(Samples(kRate, 0)), 0.0);
    EXPECT_NEAR(rms(Samples(100, -1000)), 1000.0, 1e-9);
    // 343 whole periods: A / sqrt(2), up to rounding to integers.
    EXPECT_NEAR(rms(render(0.4, 0, [](double t) { return 1e4 * sine(857.5, t); })), 7071.07, 0.5);
    EXPECT_NEAR(rms(render(1.0, 35, [](double) { return 0; })), 35 / std::sqrt(3.0), 1.0);
    const Recording r{kRate, render(2, 0, [](double t) { return 1e4 * (t >= 1) * sine(441, t); })};
    EXPECT_EQ(rms(window(r, 0.0, 1.0)), 0.0);
    EXPECT_NEAR(rms(window(r, 1.0, 2.0)), 7071.07, 0.5);
    EXPECT_EQ(window(r, 0.25, 0.75).size(), 11025u);
    EXPECT_EQ(window(r, 1.5, 99.0).size(), 11025u);  // clipped to the end
    for (auto [from, to] : {std::pair(-0.1, 1.0), {1.0, 1.0}, {2.0, 3.0}})
        EXPECT_THROW(window(r, from, to), WavError) << from << ".." << to;
}

TEST(StrongestTone, FindsMultiplesOfTheLoopFrequency) {
    // k x 61.25 Hz at amplitude 12000, steady or as notes.
    auto sound = [](int k, bool env) -> Signal {
        return [=](double t) { return 12000 * (env ? noteEnvelope(t) : 1) * sine(k * kLoopHz, t); };
    };
    // The synth's path: a 360-byte 8-bit table of k cycles of a sine or saw, looped, rewritten
    // every 344 samples (the 15.625 ms tick) at the envelope's level and recorded as 16 bits.
    auto table = [](int k, bool saw) -> Signal {
        return [=](double t) {
            const long i = std::lround(t * kRate);
            const double p = std::fmod(k * static_cast<double>(i % 360) / 360, 1.0);
            const double level = 100 * noteEnvelope(static_cast<double>(i - i % 344) / kRate);
            return 256 * std::round(level * (saw ? 2 * p - 1 : std::sin(2 * std::numbers::pi * p)));
        };
    };
    const Tone steady = strongestTone(render(1.0, 0, sound(10, false)), kRate);
    EXPECT_NEAR(steady.frequencyHz, 10 * kLoopHz, 0.1);  // 612.5 Hz: 0.44 of a bin off the grid
    EXPECT_NEAR(steady.amplitude, 12000, 120);
    // Notes, noise and the table's steps may cost more, but never the 2 Hz the scenarios allow.
    const std::tuple<const char*, int, Signal, double> rows[] = {
        {"notes in noise", 1, sound(1, true), 3000},
        {"notes in loud noise", 32, sound(32, true), 8000},
        {"sine table", 1, table(1, false), 0},
        {"saw table", 14, table(14, true), 0},
        {"sine table", 24, table(24, false), 0},
    };
    for (const auto& [name, k, signal, noisy] : rows) {
        SCOPED_TRACE(std::string(name) + " x" + std::to_string(k));
        EXPECT_NEAR(strongestTone(render(1.5, noisy, signal), kRate).frequencyHz, k * kLoopHz, 2);
    }
}

TEST(DieAway, FindsWhereTheLastNoteEnds) {
    // Notes of amplitude 10000 falling linearly to 0 over their last 0.2 s, ending on boundaries
    // of the 20 ms blocks from 2.0 s; a last block's RMS, near 400, is well over the 100 asked.
    using Notes = std::vector<std::pair<double, double>>;  // start and end in seconds
    const std::tuple<const char*, Notes, double, DieAway::Kind, double> rows[] = {
        {"one note", {{0, 2.2}}, 0, DieAway::Kind::Silent, 2.2},
        {"a pause is not the end", {{0, 2.2}, {2.5, 2.7}}, 0, DieAway::Kind::Silent, 2.7},
        {"faint noise counts as silence", {{0, 2.2}}, 35, DieAway::Kind::Silent, 2.2},
        {"already silent", {{0, 1.0}}, 0, DieAway::Kind::Silent, 2.0},
        {"sounds to the end", {{0, 9.0}}, 0, DieAway::Kind::StillSounding, 4.0},
        {"ends too close to the end", {{0, 3.9}}, 0, DieAway::Kind::TailTooShort, 3.9},
    };
    for (const auto& [name, notes, noisy, kind, at] : rows) {
        SCOPED_TRACE(name);
        const Samples samples = render(4.0, noisy, [&](double t) {
            double v = 0;
            for (auto [start, end] : notes)
                if (t >= start && t < end) v += 1e4 * std::min(1.0, 5 * (end - t)) * sine(500, t);
            return v;
        });
        const DieAway result = dieAway(Recording{kRate, samples}, 2.0, 100.0);
        EXPECT_EQ(result.kind, kind);
        EXPECT_NEAR(result.atSeconds, at, 1e-3);
    }
    EXPECT_THROW(dieAway(Recording{kRate, Samples(kRate, 0)}, 1.0, 100.0), WavError);
}

}  // namespace
}  // namespace tavrilo::wav
