#include "sound/modSynth_DX7.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace tavrilo {
namespace {

// ALSA prints its own diagnostics straight to stderr while SDL probes for a device. SDL's error
// string already says what went wrong, so the probe runs with stderr pointed at /dev/null (for
// the whole process: nothing else should print meanwhile).
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

// How the desktop's volume mixer and patchbay show the stream. SDL hands the names and the role
// to PipeWire, and the names to PulseAudio; the icon, and the role under PulseAudio, go through
// the client libraries' own environment properties. Whatever the user set already wins.
void nameTheStream() {
    SDL_SetHint(SDL_HINT_APP_NAME, "Tavrilo Synth");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Tavrilo Synth");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    ::setenv("PULSE_PROP_application.icon_name", "org.tavrilo.Synth", 0);
    ::setenv("PULSE_PROP_media.role", "music", 0);
    ::setenv("PIPEWIRE_PROPS", "{ application.icon-name = org.tavrilo.Synth }", 0);
}

}  // namespace

modSynth_DX7::modSynth_DX7(const Clock& clock, int period)
    : m_clock(clock), m_requestedPeriod(period) {}

modSynth_DX7::~modSynth_DX7() { release(); }

bool modSynth_DX7::open() {
    if (isOpen()) return true;
    // SDL would otherwise take over SIGINT and SIGTERM and the program could not be stopped.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    nameTheStream();
    QuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_lastError = SDL_GetError();
        return false;
    }
    m_subsystemUp = true;
    adopt(openDefault(false));
    if (m_device == 0) {
        const std::string error = m_lastError;
        release();
        m_lastError = error;
        return false;
    }
    m_open = true;
    deviceChanged();
    return true;
}

modSynth_DX7::Opened modSynth_DX7::openDefault(bool play) {
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = static_cast<Uint16>(m_requestedPeriod);
    want.callback = &modSynth_DX7::audioCallback;
    static_assert(std::is_same_v<Uint8, std::uint8_t>);
    want.userdata = this;
    SDL_AudioSpec have{};
    // The default device (no name), so that the server may move the stream and a reopened one
    // goes wherever the server's default is now. No allowed changes: SDL converts to whatever
    // the device really wants, so the callback always sees our own format.
    QuietStderr quiet;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) return {0, 0, SDL_GetError()};
    if (play) SDL_PauseAudioDevice(device, 0);
    return {device, have.samples, {}};
}

void modSynth_DX7::adopt(const Opened& opened) {
    m_device = opened.device;
    m_lost = opened.device == 0;
    m_lastError = opened.error;
    if (opened.device != 0) m_periodFrames = opened.periodFrames;
}

void modSynth_DX7::startOpening() {
    m_opening = true;
    m_openDone.store(false, std::memory_order_relaxed);
    m_openPlays = m_playing != 0;
    const auto open = [](void* self) {
        auto& sound = *static_cast<modSynth_DX7*>(self);
        sound.m_opened = sound.openDefault(sound.m_openPlays);
        sound.m_openDone.store(true, std::memory_order_release);
        return 0;
    };
    m_opener = SDL_CreateThread(open, "SoundOpen", this);
    if (m_opener == nullptr) open(this);  // no thread to be had: here, then
}

void modSynth_DX7::settle(bool wait) {
    if (!m_opening || (!wait && !m_openDone.load(std::memory_order_acquire))) return;
    SDL_WaitThread(std::exchange(m_opener, nullptr), nullptr);  // harmless on null
    m_opening = false;
    adopt(m_opened);
}

void modSynth_DX7::checkIndex(std::int16_t index) {
    if (index < 0 || index >= kSoundBuffers)
        throw std::out_of_range("sound buffer index " + std::to_string(index) + " out of range");
}

void modSynth_DX7::startLoop(std::int16_t index) {
    checkIndex(index);
    if (!isOpen()) throw std::logic_error("sound device is not open");
    settle(true);
    m_mixer.play(index);
    const bool first = m_playing == 0;
    m_playing |= 1u << index;
    if (m_device != 0) SDL_PauseAudioDevice(m_device, 0);
    if (first) deviceChanged();
}

void modSynth_DX7::writeLoop(std::int16_t index, std::span<const std::uint8_t> table) {
    checkIndex(index);
    if (table.size() < static_cast<std::size_t>(kLoopBytes))
        throw std::length_error("sound table shorter than one loop");
    if (!isOpen()) throw std::logic_error("sound device is not open");
    const auto loop = table.first<kLoopBytes>();
    // Sound wakes a resting device, and is heard once it is open. Should that fail, the device
    // is lost and the loops stay silent until a keeper reopens it.
    if (!isSilence(loop)) wake();
    m_mixer.publish(index, loop);
}

void modSynth_DX7::rest() {
    if (!m_open || !m_mixer.silent()) return;
    settle(true);
    closeDevice();
    m_lost = false;
    deviceChanged();
}

void modSynth_DX7::wake() {
    settle(false);
    if (!resting()) return;
    startOpening();
    deviceChanged();
}

SoundDevice::State modSynth_DX7::deviceState() const {
    if (!m_open) return State::Closed;
    std::uint32_t device = m_device;
    if (m_opening) {
        if (!m_openDone.load(std::memory_order_acquire)) return State::Opening;
        device = m_opened.device;
    } else if (m_lost) {
        return State::Lost;
    } else if (m_device == 0 || m_playing == 0) {
        return State::Resting;
    }
    // SDL stops a device it lost (the PulseAudio server gone, a card unplugged). Its PipeWire
    // back-end only stops calling back, which the keeper sees in periodsMixed().
    return device != 0 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_STOPPED ? State::Streaming
                                                                                : State::Lost;
}

void modSynth_DX7::reopen() {
    settle(false);
    if (!m_open || m_opening) return;
    closeDevice();
    startOpening();
}

void modSynth_DX7::closeDevice() {
    if (m_device == 0) return;
    // Paused under the device's lock: from here on the callback never runs again, so another
    // device may take the loops over at once.
    SDL_PauseAudioDevice(m_device, 1);
    // SDL's close waits two device periods for the device to drain (23 ms at 256 frames), which
    // a silent or lost device does not need; a thread of its own does that waiting.
    SDL_WaitThread(std::exchange(m_closer, nullptr), nullptr);
    const auto close = [](void* device) {
        SDL_CloseAudioDevice(
            static_cast<SDL_AudioDeviceID>(reinterpret_cast<std::uintptr_t>(device)));
        return 0;
    };
    void* const device = reinterpret_cast<void*>(std::uintptr_t{m_device});
    m_closer = SDL_CreateThread(close, "SoundClose", device);
    if (m_closer == nullptr) close(device);
    m_device = 0;
}

void modSynth_DX7::release() {
    settle(true);
    closeDevice();
    SDL_WaitThread(std::exchange(m_closer, nullptr), nullptr);
    const bool wasOpen = m_open;
    m_open = false;
    m_lost = false;
    m_playing = 0;
    m_periodFrames = 0;
    if (m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
    if (wasOpen) deviceChanged();
}

Nanos modSynth_DX7::outputLatency() const {
    // Half a period's wait for the next callback, then the one period SDL asks the server to
    // hold (tlength under PulseAudio), half full on average. Against a recording of PulseAudio's
    // null sink the median is up to 3 ms longer at 128 to 512 frames (bench/output_latency);
    // PipeWire's PulseAudio server adds its own quantum, about 20 ms more.
    return std::chrono::duration_cast<Nanos>(
        std::chrono::duration<double>(static_cast<double>(m_periodFrames) / kSampleRate));
}

float modSynth_DX7::clockSeconds() const {
    return static_cast<float>(std::chrono::duration<double>(m_clock.now()).count());
}

void modSynth_DX7::setCallbackProbe(CallbackProbe* probe) {
    settle(true);
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
    self->m_periods.fetch_add(1, std::memory_order_relaxed);
    if (probe) probe->periodMixed(self->m_mixer, frames);
}

}  // namespace tavrilo
