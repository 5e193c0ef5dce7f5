// How long after a table is handed over it leaves the sound server, measured against a recording
// of what the server played, beside the sound module's own estimate, outputLatency(). The module
// plays silence into the default sink and, at random moments 200 to 450 ms apart, a table of
// constant level for 150 ms. An SDL capture device records the sink's monitor in periods of 64
// frames, which date its samples. Each hand-over is matched with the first loud sample after it.
//
//   output_latency MONITOR [SWITCHES [PERIOD]]
//
// MONITOR: a part of the capture device's name as SDL gives it ("Monitor of ..."). SWITCHES: the
// hand-overs measured (60 unless given); PERIOD: the frames per callback the module asks for.
// Exit status: 0 measured, 2 it could not run.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sound/modSynth_DX7.h"

namespace {

using namespace tavrilo;
using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

// The monitor's samples and, per capture period, the count so far and when it arrived. The
// capture thread writes into room made beforehand; the main thread reads once it has closed it.
struct Recording {
    std::vector<std::int16_t> samples = std::vector<std::int16_t>(kSampleRate * 600);
    std::vector<std::pair<std::size_t, Steady::time_point>> periods =
        std::vector<std::pair<std::size_t, Steady::time_point>>(kSampleRate * 600 / 16);
    std::atomic<std::size_t> count{0}, periodCount{0};

    static void capture(void* self, std::uint8_t* stream, int len) {
        auto& r = *static_cast<Recording*>(self);
        const auto at = Steady::now();
        const std::size_t n = r.count.load(), p = r.periodCount.load();
        const std::size_t frames = std::min<std::size_t>(len / 2, r.samples.size() - n);
        if (p == r.periods.size()) return;
        std::copy_n(reinterpret_cast<const std::int16_t*>(stream), frames, r.samples.data() + n);
        r.periods[p] = {n + frames, at};
        r.count.store(n + frames);
        r.periodCount.store(p + 1);
    }

    // When each sample was played, once the recording is closed. The monitor runs at the
    // sink's steady pace, and a capture period may arrive late but never early: within a second
    // either side, the earliest arrival dates the samples. (The odd overrun drops samples, so
    // no further.)
    void date() {
        std::vector<Steady::time_point> earliest(periodCount);
        for (std::size_t p = 0; p < periodCount; ++p)
            earliest[p] = periods[p].second - duration(periods[p].first);
        const std::size_t reach = kSampleRate / 64;
        for (std::size_t p = 0; p < periodCount; ++p)
            periods[p].second = *std::min_element(
                earliest.begin() + static_cast<long>(p - std::min(p, reach)),
                earliest.begin() +
                    static_cast<long>(std::min<std::size_t>(periodCount, p + reach)));
    }
    Steady::time_point timeOf(std::size_t i) const {
        const auto p = std::partition_point(periods.begin(),
                                            periods.begin() + static_cast<long>(periodCount - 1),
                                            [i](const auto& period) { return period.first <= i; });
        return p->second + duration(i);
    }
    static Steady::duration duration(std::size_t samples) {
        return std::chrono::duration_cast<Steady::duration>(
            std::chrono::duration<double>(static_cast<double>(samples) / kSampleRate));
    }
};

SDL_AudioDeviceID openMonitor(const char* part, Recording& recording) {
    for (int i = 0; i < SDL_GetNumAudioDevices(1); ++i) {
        const std::string name = SDL_GetAudioDeviceName(i, 1);
        if (name.find(part) == std::string::npos) continue;
        SDL_AudioSpec want{}, have{};
        want.freq = kSampleRate;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 64;
        want.callback = &Recording::capture;
        want.userdata = &recording;
        return SDL_OpenAudioDevice(name.c_str(), 1, &want, &have, 0);
    }
    return 0;
}

double ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int switches = argc > 2 ? std::atoi(argv[2]) : 60;
    const int period = argc > 3 ? std::atoi(argv[3]) : modSynth_DX7::kRequestedPeriod;
    if (argc < 2 || argc > 4 || switches < 1 || switches > 1000 || period < 16 || period > 4096)
        return std::fprintf(stderr, "usage: output_latency MONITOR [SWITCHES [PERIOD]]\n"), 2;
    SDL_SetHint(SDL_HINT_AUDIO_INCLUDE_MONITORS, "1");
    SteadyClock clock;
    modSynth_DX7 sound(clock, period);
    if (!sound.open())
        return std::fprintf(stderr, "cannot open the sound device: %s\n",
                            sound.lastError().c_str()),
               2;
    Recording recording;
    const SDL_AudioDeviceID monitor = openMonitor(argv[1], recording);
    if (monitor == 0) {
        std::fprintf(stderr, "no capture device named *%s* among:\n", argv[1]);
        for (int i = 0; i < SDL_GetNumAudioDevices(1); ++i)
            std::fprintf(stderr, "  %s\n", SDL_GetAudioDeviceName(i, 1));
        return 2;
    }
    SDL_PauseAudioDevice(monitor, 0);
    sound.startLoop(0);
    sound.startLoop(1);
    std::array<std::uint8_t, kLoopBytes> loud, silence;
    loud.fill(228);  // (228 - 128) x 128 = 12800 at every sample
    silence.fill(kSilentByte);
    std::mt19937 random(12345);
    std::vector<Steady::time_point> handedOver;
    std::this_thread::sleep_for(1s);
    for (int i = 0; i < switches; ++i) {
        handedOver.push_back(Steady::now());
        sound.writeLoop(0, loud);
        std::this_thread::sleep_for(150ms);
        sound.writeLoop(0, silence);
        std::this_thread::sleep_for(std::chrono::milliseconds(200 + random() % 250));
    }
    std::this_thread::sleep_for(300ms);
    SDL_CloseAudioDevice(monitor);

    recording.date();
    std::vector<double> latencies;
    std::size_t from = 0;
    for (const auto& h : handedOver) {
        while (from < recording.count && recording.timeOf(from) < h - 20ms)
            ++from;
        std::size_t onset = from;
        while (onset < recording.count && std::abs(recording.samples[onset]) < 6400)
            ++onset;
        if (onset == recording.count) break;
        latencies.push_back(ms(recording.timeOf(onset) - h));
        from = onset;
    }
    if (latencies.size() < handedOver.size() / 2)
        return std::fprintf(stderr, "only %zu of %zu hand-overs heard\n", latencies.size(),
                            handedOver.size()),
               2;
    // The median and the middle 80 %: a callback that comes late on a busy machine makes the
    // server rebuffer, and the odd hand-over is heard hundreds of milliseconds late.
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](std::size_t percent) {
        return latencies[latencies.size() * percent / 100];
    };
    std::printf(
        "%d frames (%.2f ms, %s): measured %.2f ms median, 10th to 90th percentile %.2f "
        "to %.2f ms, %zu of %zu hand-overs heard; the module's estimate %.2f ms\n",
        sound.devicePeriodFrames(), 1000.0 * sound.devicePeriodFrames() / kSampleRate,
        SDL_GetCurrentAudioDriver(), at(50), at(10), at(90), latencies.size(), handedOver.size(),
        ms(sound.outputLatency()));
    return 0;
}
