// One synthesis tick: what Timer1 does as often as the platform lets it, so its length sets how
// quickly pitch, loudness and modulation changes become audible. A sounding voice: pitch 12,
// all three modulations and both cuts on, a pure sine and waveform 5 (the heaviest formula).
//
// Goals on the 2-core build machine: computation alone under 60 microseconds, computation with
// drawing into the meter canvas under 150 microseconds; no heap allocation during a tick (the
// "allocs/tick" counter, counted by the replaced operator new below, must stay 0).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

#include "common/Clock.h"
#include "sound/MeterCanvas.h"
#include "sound/SynthEngine.h"

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace tavrilo;

enum class Time {
    Steady,     // the real clock: single-precision seconds stand still for microseconds
    EveryRead,  // a new t at every read, so no time-dependent term can be reused
};

class NullSoundPort final : public SoundPort {
public:
    explicit NullSoundPort(Time time) : m_time(time) {}
    float clockSeconds() const override {
        if (m_time == Time::EveryRead) {
            m_t += 1e-3f;  // distinct floats at 100 s
            return m_t;
        }
        return static_cast<float>(std::chrono::duration<double>(m_clock.now()).count());
    }
    void writeLoop(std::int16_t, std::span<const std::uint8_t> table) override {
        benchmark::DoNotOptimize(table.data());
    }

private:
    Time m_time;
    SteadyClock m_clock;
    mutable float m_t = 100.0f;
};

class NullMeter final : public MeterSink {
public:
    void clear(MeterBox) override {}
    void plotTracePoint(std::int16_t, float sample, MeterBox) override {
        benchmark::DoNotOptimize(sample);
    }
    void drawLevelBar(std::int16_t, MeterBox) override {}
    void present() override {}
};

VoiceState soundingVoice() {
    VoiceState voice;
    voice.pitch = 12;
    voice.envLevel = voice.amp1 = voice.amp2 = 100;
    voice.amRate1 = 30;
    voice.amRate2 = 20;
    voice.fmRate = 10;
    voice.cut1 = 500;
    voice.cut2 = 800;
    voice.osc1Option = 7;
    voice.osc2Option = 4;
    return voice;
}

void runTicks(benchmark::State& state, MeterSink& meter, Time time) {
    NullSoundPort port(time);
    VoiceState voice = soundingVoice();
    SynthEngine engine;
    engine.tick(voice, port, meter);  // warm: first-touch of the tables and images
    const long long before = g_allocations.load();
    for (auto _ : state) {
        engine.tick(voice, port, meter);
        benchmark::DoNotOptimize(engine.osc1Table().data());
        benchmark::ClobberMemory();
    }
    const long long allocations = g_allocations.load() - before;
    state.counters["allocs/tick"] = benchmark::Counter(static_cast<double>(allocations) /
                                                       static_cast<double>(state.iterations()));
    if (allocations != 0) state.SkipWithError("the tick allocated on the heap");
}

void BM_TickComputation(benchmark::State& state, Time time) {
    NullMeter meter;
    runTicks(state, meter, time);
}
BENCHMARK_CAPTURE(BM_TickComputation, steady_clock, Time::Steady)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TickComputation, new_time_every_read, Time::EveryRead)
    ->Unit(benchmark::kMicrosecond);

void BM_TickWithDrawing(benchmark::State& state, Time time) {
    MeterCanvas canvas;
    int presented = 0;
    Subscription counted = canvas.presented.connect([&presented] { ++presented; });
    runTicks(state, canvas, time);
    benchmark::DoNotOptimize(presented);
}
BENCHMARK_CAPTURE(BM_TickWithDrawing, steady_clock, Time::Steady)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_TickWithDrawing, new_time_every_read, Time::EveryRead)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
