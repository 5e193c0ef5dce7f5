#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "common/Clock.h"
#include "sound/LoopMixer.h"
#include "sound/SoundPort.h"

struct SDL_Thread;

namespace tavrilo {

// Told by the audio thread around the mixing of each device period; measurements install one.
// Its calls run on the audio thread: they must not lock, allocate or wait.
class CallbackProbe {
public:
    virtual ~CallbackProbe() = default;
    virtual void periodStarted() noexcept = 0;
    // `mixer` is the one that just mixed the period; its mixed() is readable here.
    virtual void periodMixed(const LoopMixer& mixer, int frames) noexcept = 0;
};

// The sound module: the one place that talks to the sound device and owns the modulation clock.
// It opens one SDL audio device at 22050 Hz mono whose callback plays the two 360-byte loops of
// a LoopMixer, always the server's default device, named "Tavrilo Synth" with a music role in
// the desktop's mixer. All methods belong to the UI thread; the device callback only renders the
// mixer and counts the periods. Every device but the first is opened, and every one is closed,
// on a thread of its own, so that no sound server keeps the UI thread waiting (only rest(),
// startLoop() and release() wait for an opening still under way).
class modSynth_DX7 final : public SoundDevice {
public:
    // `period`: device frames per callback to ask for (measurements try others).
    explicit modSynth_DX7(const Clock& clock, int period = kRequestedPeriod);
    ~modSynth_DX7() override;
    modSynth_DX7(const modSynth_DX7&) = delete;
    modSynth_DX7& operator=(const modSynth_DX7&) = delete;

    // lastError() says why when it fails.
    bool open() override;
    const std::string& lastError() const override { return m_lastError; }
    bool isOpen() const { return m_open; }

    // A rest closes the SDL device, if both loops are silent: streaming silence keeps the audio
    // thread waking hundreds of times a second. The loops themselves stay as they are. A lost
    // device rests too: none is needed until sound comes.
    void rest() override;
    bool resting() const { return m_open && !m_lost && !m_opening && m_device == 0; }
    void wake() override;

    void startLoop(std::int16_t index) override;
    // Throws std::logic_error when the sound is not open, besides the SoundPort errors.
    void writeLoop(std::int16_t index, std::span<const std::uint8_t> table) override;
    void release() override;
    float clockSeconds() const override;
    // One device period (0 while closed): see the definition for what it holds and how close.
    Nanos outputLatency() const override;

    State deviceState() const override;
    std::uint64_t periodsMixed() const override {
        return m_periods.load(std::memory_order_relaxed);
    }
    void reopen() override;

    // The loops themselves. Tests render them directly, which is only allowed while no startLoop()
    // has unpaused the device (the callback is the one reader otherwise).
    LoopMixer& mixer() { return m_mixer; }

    // The period the device runs with, in frames (0 while closed), as last opened.
    int devicePeriodFrames() const { return m_periodFrames; }
    // Device frames requested per callback: 256 at 22050 Hz is about 11.6 ms.
    static constexpr int kRequestedPeriod = 256;

    // Null for none (the program's own case: the callback then only mixes). Once this returns,
    // no callback uses the probe it replaced.
    void setCallbackProbe(CallbackProbe* probe);

private:
    // What opening the default device found: the device (0 for none), its period or the error.
    struct Opened {
        std::uint32_t device = 0;
        int periodFrames = 0;
        std::string error;
    };

    static void audioCallback(void* userdata, std::uint8_t* stream, int len);
    static void checkIndex(std::int16_t index);
    // Any thread: opens the default device, unpaused when `play`.
    Opened openDefault(bool play);
    void adopt(const Opened& opened);
    // Opening on the opener thread; settle() adopts what it found once it is done, or with
    // `wait` waits for that.
    void startOpening();
    void settle(bool wait);
    void closeDevice();

    const Clock& m_clock;
    const int m_requestedPeriod;
    LoopMixer m_mixer;
    std::uint32_t m_device = 0;  // SDL_AudioDeviceID; 0 while closed, resting, opening or lost
    bool m_open = false;         // from open to release
    bool m_lost = false;         // the device stopped or could not be opened when needed
    bool m_opening = false;      // from startOpening() until settled
    unsigned m_playing = 0;      // one bit per loop started by startLoop
    bool m_subsystemUp = false;
    int m_periodFrames = 0;
    std::string m_lastError;
    std::atomic<CallbackProbe*> m_probe{nullptr};
    std::atomic<std::uint64_t> m_periods{0};  // written by the callback only
    // Threads of SDL's own (it frees what it keeps per thread only for those). The closer closes
    // devices given up: SDL's close waits two device periods for a drain. The opener opens the
    // default device, a sound server may take its time (PipeWire waits for its session manager
    // to link the stream): it reads m_openPlays, writes m_opened, then sets m_openDone.
    SDL_Thread* m_closer = nullptr;
    SDL_Thread* m_opener = nullptr;
    bool m_openPlays = false;
    Opened m_opened;
    std::atomic<bool> m_openDone{false};
};

}  // namespace tavrilo
