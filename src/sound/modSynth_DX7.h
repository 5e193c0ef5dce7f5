#pragma once

#include <SDL.h>

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

    // Device frames requested per callback: 256 at 22050 Hz is about 11.6 ms.
    static constexpr int kRequestedPeriod = 256;

private:
    static void SDLCALL audioCallback(void* userdata, Uint8* stream, int len);
    static void checkIndex(std::int16_t index);

    const Clock& m_clock;
    LoopMixer m_mixer;
    SDL_AudioDeviceID m_device = 0;
    bool m_subsystemUp = false;
    int m_periodFrames = 0;
    std::string m_lastError;
};

}  // namespace tavrilo
