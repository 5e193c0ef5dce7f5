#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "sound/LoopMixer.h"

namespace tavrilo {
namespace {

using Table = std::array<std::uint8_t, kLoopBytes>;

Table ramp(int offset) {
    Table t;
    for (int i = 0; i < kLoopBytes; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i + offset) % 256);
    return t;
}

Table constant(std::uint8_t b) {
    Table t;
    t.fill(b);
    return t;
}

std::vector<std::int16_t> render(LoopMixer& mixer, int frames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    mixer.render(out.data(), frames);
    return out;
}

TEST(LoopMixer, SilentUntilALoopIsPlayed) {
    LoopMixer mixer;
    mixer.publish(0, ramp(0));
    for (std::int16_t s : render(mixer, 500))
        ASSERT_EQ(s, 0);
}

// Each byte counts as b - 128 and the two loops add at equal weight, scaled by 128: the full
// swing of both reaches the ends of the 16-bit range without clipping.
TEST(LoopMixer, MixesBothLoopsAtEqualWeight) {
    struct Case {
        std::uint8_t a, b;
        int expected;
    } cases[] = {{128, 128, 0},    {255, 255, 32512}, {0, 0, -32768}, {0, 255, -128},
                 {200, 128, 9216}, {128, 56, -9216},  {129, 127, 0}};
    for (const Case& c : cases) {
        LoopMixer mixer;
        mixer.publish(0, constant(c.a));
        mixer.publish(1, constant(c.b));
        mixer.play(0);
        mixer.play(1);
        const auto out = render(mixer, 3);
        EXPECT_EQ(out[0], c.expected) << int(c.a) << " + " << int(c.b);
        EXPECT_EQ(out[2], c.expected);
    }
}

TEST(LoopMixer, LoopsSeamlesslyAcrossPeriodsOfAnyLength) {
    LoopMixer mixer;
    const Table t = ramp(7);
    mixer.publish(0, t);
    mixer.play(0);
    // Periods that do not divide the loop: the position must carry over exactly.
    std::vector<std::int16_t> all;
    for (int period : {256, 100, 361, 7, 1000}) {
        const auto part = render(mixer, period);
        all.insert(all.end(), part.begin(), part.end());
    }
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], (t[i % kLoopBytes] - 128) * 128) << "frame " << i;
}

// A table replaced while a period is under way is picked up at the next period, at the loop
// position reached so far: no gap and no restart.
TEST(LoopMixer, TableReplacedMidPeriodIsHeardFromTheNextPeriodWithoutRestart) {
    LoopMixer mixer;
    const Table first = ramp(0);
    const Table second = ramp(100);
    const Table other = constant(140);
    mixer.publish(0, first);
    mixer.publish(1, other);
    mixer.play(0);
    mixer.play(1);

    auto a = render(mixer, 256);
    mixer.publish(0, second);  // between two device periods
    auto b = render(mixer, 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(a[static_cast<std::size_t>(i)],
                  (first[static_cast<std::size_t>(i)] - 128 + 12) * 128);
        const std::size_t pos = static_cast<std::size_t>((256 + i) % kLoopBytes);
        ASSERT_EQ(b[static_cast<std::size_t>(i)], (second[pos] - 128 + 12) * 128) << i;
    }
}

TEST(LoopMixer, OnlyTheNewestOfSeveralWritesIsHeard) {
    LoopMixer mixer;
    mixer.play(0);
    for (int k = 0; k < 5; ++k)
        mixer.publish(0, constant(static_cast<std::uint8_t>(130 + k)));
    EXPECT_EQ(render(mixer, 1)[0], (134 - 128) * 128);
    // Nothing new: the last table keeps looping.
    EXPECT_EQ(render(mixer, 1)[0], (134 - 128) * 128);
}

}  // namespace
}  // namespace tavrilo
