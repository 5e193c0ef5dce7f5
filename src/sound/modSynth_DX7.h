#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "common/Clock.h"
#include "sound/LoopMixer.h"
#include "sound/SoundPort.h"

namespace tavrilo {

// The sound module: the one place that talks to the sound device and owns the modulation clock.
// It opens one SDL audio device at 22050 Hz mono whose callback plays the two 360-byte loops of
// a LoopMixer. All methods belong to the UI thread; the device callback only renders the mixer.
class modSynth_DX7 final : public SoundPort {
public:
    explicit modSynth_DX7(const Clock& clock);
    ~modSynth_DX7() override;
    modSynth_DX7(const modSynth_DX7&) = delete;
    modSynth_DX7& operator=(const modSynth_DX7&) = delete;

    // Opens the default sound device with both loops silent and not yet playing. False when the
    // device cannot be opened; lastError() then says why.
    bool InitSound();
    const std::string& lastError() const { return m_lastError; }
    bool isOpen() const { return m_device != 0; }

    // Starts loop `index` (0 or 1) playing from its first byte, for good.
    void Play(std::int16_t index);

    // Throws std::logic_error when the sound is not open, besides the SoundPort errors.
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) override;

    // Closes the device, which silences both loops. Harmless when nothing is open.
    void ReleaseSound();

    float ClockSeconds() const override;

    // The loops themselves. Tests render them directly, which is only allowed while no Play()
    // has unpaused the device (the callback is the one reader otherwise).
    LoopMixer& mixer() { return m_mixer; }

    // The period the device actually runs with, in frames (0 while closed).
    int devicePeriodFrames() const { return m_periodFrames; }

    // What the device callback has measured of itself since the device opened. SDL does not
    // report underruns, so a callback that starts more than two periods after the one before
    // counts as one: the device had run dry by then. A callback's duration is wall-clock time,
    // waits for a core included; its CPU time is the work it did itself.
    struct CallbackStats {
        std::uint64_t callbacks = 0;
        std::uint64_t lateCallbacks = 0;
        std::chrono::nanoseconds worstDuration{0};
        std::chrono::nanoseconds worstCpuTime{0};
        std::chrono::nanoseconds worstGap{0};
    };
    CallbackStats callbackStats() const;
    // Starts the figures afresh, e.g. once the device has warmed up.
    void resetCallbackStats();

    // Device frames requested per callback: 256 at 22050 Hz is about 11.6 ms.
    static constexpr int kRequestedPeriod = 256;

private:
    static void SDLCALL audioCallback(void* userdata, Uint8* stream, int len);
    static void checkIndex(std::int16_t index);
    void measureCallback(std::int64_t startNs, std::int64_t endNs, std::int64_t cpuNs, int frames);

    const Clock& m_clock;
    LoopMixer m_mixer;
    SDL_AudioDeviceID m_device = 0;
    bool m_subsystemUp = false;
    int m_periodFrames = 0;
    std::string m_lastError;

    // Written by the device callback only, read by the UI thread; relaxed is enough for figures.
    std::atomic<std::uint64_t> m_callbacks{0};
    std::atomic<std::uint64_t> m_lateCallbacks{0};
    std::atomic<std::int64_t> m_worstDurationNs{0};
    std::atomic<std::int64_t> m_worstCpuNs{0};
    std::atomic<std::int64_t> m_worstGapNs{0};
    std::int64_t m_lastStartNs = 0;  // callback thread only
};

}  // namespace tavrilo
