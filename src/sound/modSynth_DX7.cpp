#include "sound/modSynth_DX7.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <type_traits>

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

modSynth_DX7::modSynth_DX7(const Clock& clock, int period)
    : m_clock(clock), m_requestedPeriod(period) {}

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
    if (!openDevice()) {
        ReleaseSound();
        return false;
    }
    m_open = true;
    m_lastError.clear();
    return true;
}

bool modSynth_DX7::openDevice() {
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = static_cast<Uint16>(m_requestedPeriod);
    want.callback = &modSynth_DX7::audioCallback;
    static_assert(std::is_same_v<Uint8, std::uint8_t>);
    want.userdata = this;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really wants, so the callback
    // always sees our own format.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        m_lastError = SDL_GetError();
        return false;
    }
    m_periodFrames = have.samples;
    if (m_playing != 0) SDL_PauseAudioDevice(m_device, 0);
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
    m_playing |= 1u << index;
    if (m_device != 0) SDL_PauseAudioDevice(m_device, 0);
}

void modSynth_DX7::WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) {
    checkIndex(index);
    if (table.size() < static_cast<std::size_t>(kLoopBytes))
        throw std::length_error("sound table shorter than one loop");
    if (!isOpen()) throw std::logic_error("sound device is not open");
    const auto loop = table.first<kLoopBytes>();
    // Sound wakes a resting device first. Should it fail to open, the loops stay silent.
    if (resting() && !isSilence(loop)) openDevice();
    m_mixer.publish(index, loop);
}

void modSynth_DX7::Rest() {
    if (m_mixer.silent()) closeDevice();
}

void modSynth_DX7::closeDevice() {
    if (m_device == 0) return;
    SDL_CloseAudioDevice(m_device);  // waits for a running callback to return
    m_device = 0;
}

void modSynth_DX7::ReleaseSound() {
    closeDevice();
    m_open = false;
    m_playing = 0;
    m_periodFrames = 0;
    if (m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
}

float modSynth_DX7::ClockSeconds() const {
    return static_cast<float>(std::chrono::duration<double>(m_clock.now()).count());
}

void modSynth_DX7::setCallbackProbe(CallbackProbe* probe) {
    // SDL runs the callback under the device's lock.
    if (m_device != 0) SDL_LockAudioDevice(m_device);
    m_probe.store(probe, std::memory_order_release);
    if (m_device != 0) SDL_UnlockAudioDevice(m_device);
}

// Device thread: never locks, allocates or waits.
void modSynth_DX7::audioCallback(void* userdata, std::uint8_t* stream, int len) {
    auto* self = static_cast<modSynth_DX7*>(userdata);
    CallbackProbe* probe = self->m_probe.load(std::memory_order_acquire);
    if (probe) probe->periodStarted();
    const int frames = len / static_cast<int>(sizeof(std::int16_t));
    self->m_mixer.render(reinterpret_cast<std::int16_t*>(stream), frames);
    if (probe) probe->periodMixed(self->m_mixer, frames);
}

}  // namespace tavrilo
