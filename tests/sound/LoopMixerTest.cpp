#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "sound/LoopMixer.h"

namespace tavrilo {
namespace {

// Tables published a thousand times a second while another thread mixes periods of changing
// lengths: every period comes whole from one table of each loop, at the loop position its frames
// give (the loops carry on seamlessly from period to period), levels never going back.
TEST(LoopMixer, TwoThreadsNeverTearATableOrMoveTheLoop) {
    LoopMixer mixer;
    LoopMixer::Table slope, level;  // slope: 64, 65, ... wrapping at 256; level: one value
    for (std::size_t i = 0; i < slope.size(); ++i)
        slope[i] = static_cast<std::uint8_t>(i + 64);
    level.fill(1);
    mixer.publish(0, level);
    mixer.publish(1, slope);
    mixer.play(0);
    mixer.play(1);
    std::atomic<bool> done{false};
    std::string problem;
    std::thread audio([&] {
        std::vector<std::int16_t> out(300);
        for (int frames = 0, last = 1; !done && problem.empty();) {
            const int period = 97 + frames % 200;
            mixer.render(out.data(), period);
            const auto at = [&](int i) { return slope[std::size_t((frames + i) % kLoopBytes)]; };
            const int level = out[0] / 128 + 256 - at(0);
            for (int i = 0; i < period; ++i)
                if (out[std::size_t(i)] != (level + at(i) - 256) * 128 || level < last)
                    problem = "period at frame " + std::to_string(frames);
            last = level;
            frames = (frames + period) % (kLoopBytes * 1000);
        }
    });
    auto next = std::chrono::steady_clock::now();
    for (int n = 6; n < 1206; ++n) {
        std::this_thread::sleep_until(next += std::chrono::milliseconds(1));
        level.fill(static_cast<std::uint8_t>(n / 6));  // 1..200
        mixer.publish(0, level);
        mixer.publish(1, slope);
    }
    done = true;
    audio.join();
    EXPECT_EQ(problem, "");
}

}  // namespace
}  // namespace tavrilo
