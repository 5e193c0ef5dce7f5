#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sound/LoopMixer.h"

namespace tavrilo {
namespace {

using Table = LoopMixer::Table;

Table ramp(int offset) {
    Table t;
    for (int i = 0; i < kLoopBytes; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i + offset) % 256);
    return t;
}

Table constant(int b) {
    Table t;
    t.fill(static_cast<std::uint8_t>(b));
    return t;
}

std::vector<std::int16_t> render(LoopMixer& mixer, int frames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    mixer.render(out.data(), frames);
    return out;
}

// Each byte counts as b - 128; both loops add at equal weight, scaled by 128, so their full
// swing reaches the ends of the 16-bit range without clipping.
TEST(LoopMixer, MixesBothLoopsAtEqualWeight) {
    const std::array<int, 3> cases[] = {
        {255, 255, 32512}, {0, 0, -32768}, {0, 255, -128}, {200, 128, 9216}, {128, 56, -9216}};
    for (const auto& [a, b, expected] : cases) {
        LoopMixer mixer;
        mixer.publish(0, constant(a));
        mixer.publish(1, constant(b));
        mixer.play(0);
        mixer.play(1);
        EXPECT_EQ(render(mixer, 3),
                  std::vector<std::int16_t>(3, static_cast<std::int16_t>(expected)))
            << a << " + " << b;
    }
}

// Both loops start at their first byte in the same frame, however the device's periods fall
// between the two starts; they then loop seamlessly over periods of any length, and a table
// replaced between two periods is heard from the next one at the position reached (the newest
// of several), with no gap and no restart.
TEST(LoopMixer, LoopsStartTogetherAndCarryOnAcrossPeriodsAndNewTables) {
    LoopMixer mixer;
    mixer.publish(0, ramp(0));
    mixer.publish(1, constant(140));
    mixer.play(0);
    EXPECT_EQ(render(mixer, 256), std::vector<std::int16_t>(256, 0));  // loop 1 not started yet
    mixer.play(1);
    std::vector<std::int16_t> all;
    for (int period : {256, 100, 361, 7}) {
        const auto part = render(mixer, period);
        all.insert(all.end(), part.begin(), part.end());
    }
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], (ramp(0)[i % kLoopBytes] - 128 + 12) * 128) << "frame " << i;
    for (int k = 0; k < 3; ++k)
        mixer.publish(0, ramp(100 + k));
    const auto next = render(mixer, 400);
    for (std::size_t i = 0; i < next.size(); ++i)
        ASSERT_EQ(next[i], (ramp(102)[(all.size() + i) % kLoopBytes] - 128 + 12) * 128) << i;
    EXPECT_EQ(mixer.published(0), 4u);
    EXPECT_EQ(mixer.mixed(0), 4u);
}

// The UI thread publishes new tables a thousand times a second while the audio thread mixes
// period after period: every period must come whole from one table of each loop (loop 0 constant
// at one published level, loop 1 a fixed ramp), at the loop position the frames so far give, and
// the levels never go back.
TEST(LoopMixer, TwoThreadsNeverTearATableOrMoveTheLoop) {
    LoopMixer mixer;
    Table ramp1;
    for (int i = 0; i < kLoopBytes; ++i)
        ramp1[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(64 + i % 128);
    mixer.publish(0, constant(1));
    mixer.publish(1, ramp1);
    mixer.play(0);
    mixer.play(1);
    std::atomic<bool> done{false};
    std::vector<std::string> problems;
    std::thread audio([&] {
        std::vector<std::int16_t> out(300);
        long frames = 0;
        int lastLevel = 1;
        while (!done.load() && problems.size() < 5) {
            const int period = 97 + static_cast<int>(frames % 200);
            mixer.render(out.data(), period);
            const int level =
                out[0] / 128 + 256 - ramp1[static_cast<std::size_t>(frames % kLoopBytes)];
            for (int i = 0; i < period; ++i) {
                const auto pos = static_cast<std::size_t>((frames + i) % kLoopBytes);
                if (out[static_cast<std::size_t>(i)] != (level + ramp1[pos] - 256) * 128)
                    problems.push_back("period at frame " + std::to_string(frames) +
                                       " torn or moved at " + std::to_string(i));
            }
            if (level < lastLevel)
                problems.push_back("level went back from " + std::to_string(lastLevel) + " to " +
                                   std::to_string(level));
            lastLevel = level;
            frames += period;
        }
    });
    auto next = std::chrono::steady_clock::now();
    for (int n = 6; n < 1206; ++n) {
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
        mixer.publish(0, constant(n / 6));  // 1..200
        mixer.publish(1, ramp1);
    }
    done = true;
    audio.join();
    EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace tavrilo
