// The synthesis against answers worked out apart from the program, in plain Python from the
// synthesis formulas (synth_known_answers.txt says how).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "sound/NoiseGenerator.h"
#include "sound/SynthEngine.h"
#include "support/Fakes.h"

namespace tavrilo {
namespace {

// The sound port of a tick: its clock reads float(t0 + i dt) at table index i, but fails (NaN)
// at one index; it keeps both loops as the device plays them, loop 0 first.
struct Port final : SoundPort {
    double t0 = 0, dt = 0;
    int nanAt = -1;
    mutable int index = 0;
    std::array<std::uint8_t, 2 * kLoopBytes> loops{};
    float clockSeconds() const override {
        const int i = index++;
        return i == nanAt ? NAN : static_cast<float>(t0 + i * dt);
    }
    void writeLoop(std::int16_t loop, std::span<const std::uint8_t> table) override {
        std::copy_n(table.begin(), kLoopBytes, loops.begin() + loop * kLoopBytes);
    }
};

// Chosen voices (every waveform of both oscillators, AM, FM, cuts, noise, bytes that do not fit
// and keep their older value, a sample exactly on a half), then 1500 random ones, one tick each
// in a row: the loops (in full for the chosen), both traces and both levels. Then the noise
// generator's draws from a new one: repeats for 0, -0 and NaN, reseeds from a negative argument.
TEST(SynthEngine, EveryTickAndNoiseIsTheKnownAnswer) {
    SynthEngine engine;
    Port port;
    test::FakeMeter meter;
    NoiseGenerator noise;
    std::ifstream file(TAVRILO_TESTS_DIR "/sound/synth_known_answers.txt");
    int n = 0;
    for (std::string line; std::getline(file, line);) {
        SCOPED_TRACE(testing::Message() << "line " << ++n << ": " << line.substr(0, 80));
        char* end = nullptr;
        if (line.starts_with("noise")) {
            const double x = std::strtod(line.c_str() + 6, &end);
            EXPECT_EQ(noise.next(x) * 16777216.0, std::strtod(end, nullptr));
        }
        if (line.starts_with("noise") || line.starts_with("#")) continue;
        std::istringstream in(line);
        int f[11];  // pitch, option 1 and 2, envLevel, amp1, amp2, amRate1, amRate2, fmRate, cuts
        for (int& field : f)
            in >> field;
        const auto s16 = [&f](int i) { return static_cast<std::int16_t>(f[i]); };
        VoiceState v{.pitch = s16(0),
                     .amp1 = s16(4),
                     .amp2 = s16(5),
                     .amRate1 = s16(6),
                     .amRate2 = s16(7),
                     .fmRate = s16(8),
                     .cut1 = s16(9),
                     .cut2 = s16(10),
                     .envLevel = s16(3),
                     .osc1Option = f[1],
                     .osc2Option = f[2]};
        std::string colon, loops;
        std::pair<int, int> peaks;
        std::uint64_t digest = 0;
        in >> port.t0 >> port.dt >> port.nanAt >> colon >> peaks.first >> peaks.second >>
            std::hex >> digest >> loops;
        port.index = 0;
        engine.tick(v, port, meter);
        std::uint64_t hash = 0xCBF29CE484222325;  // FNV-1a of the loops, then both traces (-0 as 0)
        const auto add = [&hash](std::uint32_t b) { hash = (hash ^ (b & 255)) * 0x100000001B3; };
        std::string heard;
        for (std::uint8_t b : port.loops) {
            add(b);
            heard += "0123456789abcdef"[b >> 4], heard += "0123456789abcdef"[b & 15];
        }
        for (int box : {0, 1})  // WPB1, Picture1
            for (float sample : meter.picture[box])
                for (int shift = 0; shift < 32; shift += 8)
                    add(std::bit_cast<std::uint32_t>(sample + 0.0f) >> shift);
        ASSERT_EQ(loops.empty() ? "" : heard, loops);
        ASSERT_EQ(std::pair(meter.shownBars[2], meter.shownBars[3]), peaks);  // o1VU, Picture2
        ASSERT_EQ(hash, digest) << "a trace or loop differs";
    }
    EXPECT_GT(n, 1500);
}

}  // namespace
}  // namespace tavrilo
