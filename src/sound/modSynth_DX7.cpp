#include "sound/modSynth_DX7.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <stdexcept>

namespace tavrilo {
namespace {

// ALSA prints its own diagnostics straight to stderr while SDL probes for a device. SDL's error
// string already says what went wrong, so the probe runs with stderr pointed at /dev/null.
class QuietStderr {
public:
    QuietStderr() : m_saved(::dup(STDERR_FILENO)) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        if (m_saved < 0) return;
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved;
};

}  // namespace

modSynth_DX7::modSynth_DX7(const Clock& clock) : m_clock(clock) {}

modSynth_DX7::~modSynth_DX7() { ReleaseSound(); }

bool modSynth_DX7::InitSound() {
    if (isOpen()) return true;
    // SDL would otherwise take over SIGINT and SIGTERM and the program could not be stopped.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    QuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_lastError = SDL_GetError();
        return false;
    }
    m_subsystemUp = true;

    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kRequestedPeriod;
    want.callback = &modSynth_DX7::audioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really wants, so the callback
    // always sees our own format.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        m_lastError = SDL_GetError();
        ReleaseSound();
        return false;
    }
    m_periodFrames = have.samples;
    m_lastStartNs = 0;
    resetCallbackStats();
    m_lastError.clear();
    return true;
}

void modSynth_DX7::checkIndex(std::int16_t index) {
    if (index < 0 || index >= kSoundBuffers)
        throw std::out_of_range("sound buffer index " + std::to_string(index) + " out of range");
}

void modSynth_DX7::Play(std::int16_t index) {
    checkIndex(index);
    if (!isOpen()) throw std::logic_error("sound device is not open");
    m_mixer.play(index);
    SDL_PauseAudioDevice(m_device, 0);
}

void modSynth_DX7::WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) {
    checkIndex(index);
    if (table.size() < static_cast<std::size_t>(kLoopBytes))
        throw std::length_error("sound table shorter than one loop");
    if (!isOpen()) throw std::logic_error("sound device is not open");
    m_mixer.publish(index, table.first<kLoopBytes>());
}

void modSynth_DX7::ReleaseSound() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);  // waits for a running callback to return
        m_device = 0;
        m_periodFrames = 0;
    }
    if (m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
}

float modSynth_DX7::ClockSeconds() const {
    return static_cast<float>(std::chrono::duration<double>(m_clock.now()).count());
}

modSynth_DX7::CallbackStats modSynth_DX7::callbackStats() const {
    CallbackStats stats;
    stats.callbacks = m_callbacks.load(std::memory_order_relaxed);
    stats.lateCallbacks = m_lateCallbacks.load(std::memory_order_relaxed);
    stats.worstDuration =
        std::chrono::nanoseconds(m_worstDurationNs.load(std::memory_order_relaxed));
    stats.worstCpuTime = std::chrono::nanoseconds(m_worstCpuNs.load(std::memory_order_relaxed));
    stats.worstGap = std::chrono::nanoseconds(m_worstGapNs.load(std::memory_order_relaxed));
    return stats;
}

void modSynth_DX7::resetCallbackStats() {
    // Each figure is reset on its own; a callback running meanwhile may add to the new count.
    m_callbacks.store(0, std::memory_order_relaxed);
    m_lateCallbacks.store(0, std::memory_order_relaxed);
    m_worstDurationNs.store(0, std::memory_order_relaxed);
    m_worstCpuNs.store(0, std::memory_order_relaxed);
    m_worstGapNs.store(0, std::memory_order_relaxed);
}

namespace {
std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
// CPU time this thread has used: a plain system call, no lock and no allocation.
std::int64_t threadCpuNs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}
void raiseTo(std::atomic<std::int64_t>& worst, std::int64_t value) {
    if (value > worst.load(std::memory_order_relaxed))
        worst.store(value, std::memory_order_relaxed);
}
}  // namespace

// Device thread: never locks, allocates or waits.
void modSynth_DX7::measureCallback(std::int64_t startNs, std::int64_t endNs, std::int64_t cpuNs,
                                   int frames) {
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    raiseTo(m_worstDurationNs, endNs - startNs);
    raiseTo(m_worstCpuNs, cpuNs);
    if (m_lastStartNs != 0) {
        const std::int64_t gap = startNs - m_lastStartNs;
        raiseTo(m_worstGapNs, gap);
        const std::int64_t periodNs = std::int64_t{frames} * 1'000'000'000 / kSampleRate;
        if (gap > 2 * periodNs) m_lateCallbacks.fetch_add(1, std::memory_order_relaxed);
    }
    m_lastStartNs = startNs;
}

void SDLCALL modSynth_DX7::audioCallback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<modSynth_DX7*>(userdata);
    const std::int64_t start = steadyNs();
    const std::int64_t cpuStart = threadCpuNs();
    const int frames = len / static_cast<int>(sizeof(std::int16_t));
    self->m_mixer.render(reinterpret_cast<std::int16_t*>(stream), frames);
    const std::int64_t cpu = threadCpuNs() - cpuStart;
    self->measureCallback(start, steadyNs(), cpu, frames);
}

}  // namespace tavrilo
