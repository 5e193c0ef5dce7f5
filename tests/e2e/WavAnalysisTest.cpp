#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "e2e/WavAnalysis.h"

namespace tavrilo::wav {
namespace {

constexpr int kRate = 22050;
// One pass through a 360-sample loop at 22050 samples per second.
constexpr double kLoopHz = 22050.0 / 360.0;

using Samples = std::vector<std::int16_t>;

std::int16_t clip(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

// A signal given as a function of time in seconds.
Samples render(double seconds, const std::function<double(double)>& f) {
    Samples out(static_cast<std::size_t>(std::lround(seconds * kRate)));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = clip(f(static_cast<double>(i) / kRate));
    return out;
}

double sine(double hz, double t) {
    return std::sin(2.0 * std::numbers::pi * hz * t);
}

// Uniform noise in [-amplitude, amplitude] from a fixed seed: RMS amplitude / sqrt(3).
std::function<double(double)> noise(double amplitude) {
    auto engine = std::make_shared<std::mt19937>(1234u);
    return [engine, amplitude](double) {
        return amplitude * (2.0 * static_cast<double>((*engine)()) / 4294967295.0 - 1.0);
    };
}

Recording recordingOf(Samples samples) {
    return Recording{kRate, std::move(samples)};
}

// ---- WAV images -----------------------------------------------------------------------------

void put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putTag(std::vector<std::uint8_t>& b, const char* tag) {
    b.insert(b.end(), tag, tag + 4);
}

struct Image {
    unsigned tag = 1;
    unsigned channels = 1;
    unsigned bits = 16;
    bool extensible = false;
    bool listChunkFirst = false;  // an odd-sized LIST chunk (with its pad byte) before the data
    bool declareData = true;      // false: data size left as an unfinished recorder leaves it
    std::uint32_t unfinishedSize = 0;
    bool trailingOddByte = false;
    Samples samples = {0, 1000, -1000, 32767, -32768};
};

std::vector<std::uint8_t> wavImage(const Image& spec) {
    std::vector<std::uint8_t> b;
    putTag(b, "RIFF");
    put32(b, 0);  // RIFF size: nothing reads it
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, spec.extensible ? 40 : 16);
    put16(b, spec.extensible ? 0xFFFE : spec.tag);
    put16(b, spec.channels);
    put32(b, kRate);
    put32(b, kRate * spec.channels * spec.bits / 8);
    put16(b, spec.channels * spec.bits / 8);
    put16(b, spec.bits);
    if (spec.extensible) {
        put16(b, 22);
        put16(b, spec.bits);
        put32(b, 4);
        put16(b, spec.tag);  // sub-format GUID: tag, then the fixed tail
        const std::uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail, tail + 14);
    }
    if (spec.listChunkFirst) {
        putTag(b, "LIST");
        put32(b, 5);
        b.insert(b.end(), {'I', 'N', 'F', 'O', 'x', 0});
    }
    putTag(b, "data");
    put32(b, spec.declareData ? static_cast<std::uint32_t>(spec.samples.size() * 2)
                              : spec.unfinishedSize);
    for (std::int16_t s : spec.samples)
        put16(b, static_cast<std::uint16_t>(s));
    if (spec.trailingOddByte) b.push_back(0x7F);
    return b;
}

TEST(WavParse, ReadsWhatTheRecorderWrites) {
    struct Row {
        const char* name;
        Image image;
    };
    const Row rows[] = {
        {"plain PCM", {}},
        {"LIST chunk with pad byte before data", {.listChunkFirst = true}},
        {"extensible format, PCM sub-format", {.extensible = true}},
        {"recording cut short: data size 0", {.declareData = false, .unfinishedSize = 0}},
        {"recording cut short: data size too large",
         {.declareData = false, .unfinishedSize = 0xFFFFFFFF}},
        {"half a sample at the end", {.declareData = false, .trailingOddByte = true}},
    };
    const Samples expected = {0, 1000, -1000, 32767, -32768};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto recording = parseWav(wavImage(row.image));
        EXPECT_EQ(recording.sampleRate, kRate);
        EXPECT_EQ(recording.samples, expected);
    }
}

TEST(WavParse, RejectsWhatItCannotAnalyse) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    auto noData = wavImage({});
    noData.resize(36);  // RIFF header and fmt chunk only
    auto fmtTooLong = wavImage({});
    fmtTooLong[16] = 0xFF;  // fmt size far beyond the file
    auto notWave = wavImage({});
    notWave[8] = 'A';
    const Row rows[] = {
        {"8-bit", wavImage({.bits = 8})},
        {"stereo", wavImage({.channels = 2})},
        {"float", wavImage({.tag = 3})},
        {"extensible float", wavImage({.tag = 3, .extensible = true})},
        {"not RIFF/WAVE", notWave},
        {"shorter than a header", std::vector<std::uint8_t>(10, 0)},
        {"no data chunk", noData},
        {"chunk past the end", fmtTooLong},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(parseWav(row.bytes), WavError);
    }
}

TEST(WavParse, ReadsAFileAndReportsAMissingOne) {
    const auto path = std::filesystem::temp_directory_path() / "tavrilo-wavcheck-test.wav";
    const auto bytes = wavImage({});
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(readWav(path.string()).samples.size(), 5u);
    std::filesystem::remove(path);
    EXPECT_THROW(readWav(path.string()), WavError);
}

// ---- levels and windows ---------------------------------------------------------------------

TEST(Levels, RmsOfKnownSignals) {
    struct Row {
        const char* name;
        Samples samples;
        double expected;
        double tolerance;
    };
    const Row rows[] = {
        {"silence", Samples(22050, 0), 0.0, 0.0},
        {"constant", Samples(100, -1000), 1000.0, 1e-9},
        {"square", render(1.0, [](double t) { return sine(49.0, t) >= 0 ? 3000 : -3000; }), 3000,
         1e-9},
        // 857.5 Hz over 0.4 s is 343 whole periods: A / sqrt(2), up to rounding to integers.
        {"sine", render(0.4, [](double t) { return 10000 * sine(857.5, t); }),
         10000 / std::numbers::sqrt2, 0.5},
        {"faint noise", render(1.0, noise(35.0)), 35.0 / std::sqrt(3.0), 1.0},
        {"nothing", {}, 0.0, 0.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(rms(row.samples), row.expected, row.tolerance);
    }
}

TEST(Levels, WindowsSelectSecondsOfTheRecording) {
    // One second of silence, then one second of a tone.
    const auto recording =
        recordingOf(render(2.0, [](double t) { return t < 1.0 ? 0.0 : 10000 * sine(441.0, t); }));
    EXPECT_EQ(rms(window(recording, 0.0, 1.0)), 0.0);
    EXPECT_NEAR(rms(window(recording, 1.0, 2.0)), 10000 / std::numbers::sqrt2, 0.5);
    EXPECT_EQ(window(recording, 1.5, 99.0).size(), 11025u);
    EXPECT_EQ(window(recording, 0.25, 0.75).size(), 11025u);
    EXPECT_THROW(window(recording, -0.1, 1.0), WavError);
    EXPECT_THROW(window(recording, 1.0, 1.0), WavError);
    EXPECT_THROW(window(recording, 2.0, 3.0), WavError);
}

// ---- tone ------------------------------------------------------------------------------------

// A note every 200 ms: rises over 60 ms, falls over 120 ms, then rests, like the step clock's
// attack and decay ramps at the default settings.
double noteEnvelope(double t) {
    const double inStep = std::fmod(t, 0.2);
    if (inStep < 0.06) return inStep / 0.06;
    if (inStep < 0.18) return 1.0 - (inStep - 0.06) / 0.12;
    return 0.0;
}

TEST(StrongestTone, FindsMultiplesOfTheLoopFrequency) {
    struct Row {
        int multiple;
        bool enveloped;
        double noiseAmplitude;
        double tolerance;
    };
    // A steady sine is located to a small part of a bin; notes and noise may cost more, but
    // never the 2 Hz the scenarios allow.
    const Row rows[] = {
        {1, false, 0, 0.1},    {5, false, 0, 0.1},    {14, false, 0, 0.1},
        {24, false, 0, 0.1},   {32, false, 0, 0.1},   {1, true, 3000, 2.0},
        {14, true, 3000, 2.0}, {24, true, 3000, 2.0}, {32, true, 8000, 2.0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("multiple " + std::to_string(row.multiple) +
                     (row.enveloped ? ", notes" : ", steady") + ", noise " +
                     std::to_string(row.noiseAmplitude));
        const double hz = row.multiple * kLoopHz;
        auto n = noise(row.noiseAmplitude);
        const auto samples = render(1.0, [&](double t) {
            return 12000 * (row.enveloped ? noteEnvelope(t) : 1.0) * sine(hz, t) + n(t);
        });
        const auto tone = strongestTone(samples, kRate);
        EXPECT_NEAR(tone.frequencyHz, hz, row.tolerance);
        if (!row.enveloped) {
            EXPECT_NEAR(tone.amplitude, 12000, 120);
        }
    }
}

TEST(StrongestTone, LocatesFrequenciesBetweenBins) {
    for (double hz : {100.123, 857.77, 1999.0, 20.5}) {
        SCOPED_TRACE(hz);
        const auto samples = render(0.7, [&](double t) { return 9000 * sine(hz, t + 0.3); });
        EXPECT_NEAR(strongestTone(samples, kRate).frequencyHz, hz, 0.1);
    }
}

TEST(StrongestTone, PicksTheStrongerOfNeighbouringHarmonics) {
    struct Row {
        double amplitude14;
        double amplitude15;
        double expectedHz;
    };
    const Row rows[] = {{8000, 6000, 14 * kLoopHz}, {6000, 8000, 15 * kLoopHz}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expectedHz);
        const auto samples = render(0.5, [&](double t) {
            return row.amplitude14 * sine(14 * kLoopHz, t) +
                   row.amplitude15 * sine(15 * kLoopHz, t);
        });
        EXPECT_NEAR(strongestTone(samples, kRate).frequencyHz, row.expectedHz, 0.5);
    }
}

TEST(StrongestTone, IgnoresToneOutsideTheScannedBand) {
    // A loud 10 Hz hum and a 3 kHz whistle must not hide a quieter tone in 20..2000 Hz.
    const auto samples = render(1.0, [](double t) {
        return 15000 * sine(10.0, t) + 15000 * sine(3000.0, t) + 3000 * sine(612.5, t);
    });
    EXPECT_NEAR(strongestTone(samples, kRate).frequencyHz, 612.5, 0.5);
}

// The synth's output path: a 360-byte unsigned 8-bit table holding `pitch` cycles, played in a
// loop and rewritten whole every 15.625 ms (the timer granularity) with the envelope's level;
// the 8-bit samples reach the recording shifted to 16 bits.
Samples loopedTable(int pitch, const std::function<double(double)>& wave, double seconds) {
    constexpr int kTable = 360;
    constexpr double kTick = 0.015625;
    Samples out(static_cast<std::size_t>(std::lround(seconds * kRate)));
    std::vector<std::uint8_t> table(kTable, 128);
    double nextTick = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (t >= nextTick) {
            const double level = 100.0 * noteEnvelope(t);
            for (int k = 0; k < kTable; ++k)
                table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(
                    std::lround(128 + level * wave(static_cast<double>(pitch * k) / kTable)));
            nextTick += kTick;
        }
        out[i] = static_cast<std::int16_t>((table[i % kTable] - 128) * 256);
    }
    return out;
}

TEST(StrongestTone, HearsThePitchOfALoopedTable) {
    struct Wave {
        const char* name;
        std::function<double(double)> shape;  // one cycle over phase 0..1
    };
    const Wave waves[] = {
        {"sine", [](double p) { return std::sin(2 * std::numbers::pi * p); }},
        {"square", [](double p) { return std::fmod(p, 1.0) < 0.5 ? 1.0 : -1.0; }},
        {"saw", [](double p) { return 2.0 * std::fmod(p, 1.0) - 1.0; }},
    };
    for (const auto& wave : waves) {
        for (int pitch : {1, 7, 14, 24}) {
            SCOPED_TRACE(std::string(wave.name) + " pitch " + std::to_string(pitch));
            const auto tone = strongestTone(loopedTable(pitch, wave.shape, 1.5), kRate);
            EXPECT_NEAR(tone.frequencyHz, pitch * kLoopHz, 2.0);
        }
    }
}

TEST(StrongestTone, RejectsAnEmptyWindow) {
    EXPECT_THROW(strongestTone({}, kRate), WavError);
}

// ---- dying away -----------------------------------------------------------------------------

TEST(DieAway, FindsWhereTheLastNoteEnds) {
    // Notes of amplitude 10000 that fall linearly to 0 over 0.2 s.
    auto note = [](double t, double start, double end) {
        if (t < start || t >= end) return 0.0;
        const double fall = std::min(1.0, (end - t) / 0.2);
        return 10000 * fall * sine(500.0, t);
    };
    auto faint = noise(35.0);
    struct Row {
        const char* name;
        Samples samples;
        double from;
        DieAway::Kind kind;
        double at;
        double tolerance;
    };
    // Blocks are 20 ms long, counted from `from`, and every note ends on a block boundary; the
    // last block of a falling note still has an RMS near 400, so a note dies with its end.
    const Row rows[] = {
        {"one note", render(4.0, [&](double t) { return note(t, 0.0, 2.2); }), 2.0,
         DieAway::Kind::Silent, 2.2, 0.021},
        {"a pause is not the end",
         render(4.0, [&](double t) { return note(t, 0.0, 2.2) + note(t, 2.5, 2.7); }), 2.0,
         DieAway::Kind::Silent, 2.7, 0.021},
        {"faint noise counts as silence",
         render(4.0, [&](double t) { return note(t, 0.0, 2.2) + faint(t); }), 2.0,
         DieAway::Kind::Silent, 2.2, 0.021},
        {"already silent", render(4.0, [&](double t) { return note(t, 0.0, 1.0); }), 2.0,
         DieAway::Kind::Silent, 2.0, 0.0},
        {"sounds to the end", render(4.0, [&](double t) { return note(t, 0.0, 9.0); }), 2.0,
         DieAway::Kind::StillSounding, 4.0, 0.0},
        {"ends too close to the end", render(4.0, [&](double t) { return note(t, 0.0, 3.9); }), 2.0,
         DieAway::Kind::TailTooShort, 3.9, 0.021},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = dieAway(recordingOf(row.samples), row.from, 100.0);
        EXPECT_EQ(result.kind, row.kind);
        EXPECT_NEAR(result.atSeconds, row.at, row.tolerance);
    }
}

TEST(DieAway, RejectsAStartOutsideTheRecording) {
    const auto recording = recordingOf(Samples(22050, 0));
    EXPECT_THROW(dieAway(recording, 1.0, 100.0), WavError);
    EXPECT_THROW(dieAway(recording, -0.5, 100.0), WavError);
}

}  // namespace
}  // namespace tavrilo::wav
