// The audio callback's work for one device period: two looping tables mixed into 256 frames.
// Goal: well under 2 microseconds, so the callback never risks an underrun.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "sound/LoopMixer.h"

namespace {

void BM_RenderOnePeriod(benchmark::State& state) {
    tavrilo::LoopMixer mixer;
    std::array<std::uint8_t, tavrilo::kLoopBytes> table{};
    for (int i = 0; i < tavrilo::kLoopBytes; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    mixer.publish(0, table);
    mixer.publish(1, table);
    mixer.play(0);
    mixer.play(1);
    std::array<std::int16_t, 256> out{};
    for (auto _ : state) {
        mixer.render(out.data(), static_cast<int>(out.size()));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderOnePeriod);

// The same period when the UI thread has just published two new tables.
void BM_RenderOnePeriodAfterNewTables(benchmark::State& state) {
    tavrilo::LoopMixer mixer;
    std::array<std::uint8_t, tavrilo::kLoopBytes> table{};
    mixer.play(0);
    mixer.play(1);
    std::array<std::int16_t, 256> out{};
    for (auto _ : state) {
        state.PauseTiming();
        mixer.publish(0, table);
        mixer.publish(1, table);
        state.ResumeTiming();
        mixer.render(out.data(), static_cast<int>(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_RenderOnePeriodAfterNewTables);

}  // namespace
