#pragma once

// Stand-ins for what the core reaches outside: a sound device that keeps what it is given, and
// a meter that keeps the picture of the last tick.

#include <algorithm>
#include <array>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "sound/MeterSink.h"
#include "sound/SoundFormat.h"
#include "sound/SoundPort.h"

namespace tavrilo::test {

struct FakeSound : SoundDevice {
    explicit FakeSound(const Clock& clock) : clock(clock) {}
    const Clock& clock;
    bool open = false;
    bool resting = false;
    unsigned playing = 0;  // one bit per loop
    std::array<std::vector<std::uint8_t>, kSoundBuffers> tables{
        std::vector<std::uint8_t>(kLoopBytes, kSilentByte),
        std::vector<std::uint8_t>(kLoopBytes, kSilentByte)};

    bool InitSound() override { return open = true; }
    void Play(std::int16_t index) override { playing |= 1u << index; }
    void ReleaseSound() override { open = false, playing = 0; }
    void Rest() override { resting = true; }
    void wake() override { resting = false; }
    State deviceState() const override {
        return !open ? State::Closed : resting ? State::Resting : State::Streaming;
    }
    // A device that never fails: its periods go by with the clock.
    std::uint64_t periodsMixed() const override {
        return clock.now() / std::chrono::milliseconds(10);
    }
    void reopen() override {}
    const std::string& lastError() const override { return error; }
    std::string error;
    float ClockSeconds() const override {
        return static_cast<float>(std::chrono::duration<double>(clock.now()).count());
    }
    void WriteSoundBuffer(std::int16_t index, std::span<const std::uint8_t> table) override {
        if (!open) throw std::logic_error("closed");
        tables.at(static_cast<std::size_t>(index))
            .assign(table.begin(), table.begin() + kLoopBytes);
        resting = resting && isSilence(table.first(kLoopBytes));
    }
};

// The trace samples and level bars of the last complete picture, by box.
struct FakeMeter final : MeterSink {
    std::array<std::vector<float>, 4> drawing, picture;
    std::array<int, 4> bars{}, shownBars{};

    void clear(MeterBox box) override { drawing[index(box)].clear(); }
    void PlotTracePoint(std::int16_t, float sample, MeterBox box) override {
        drawing[index(box)].push_back(sample);
    }
    void DrawLevelBar(std::int16_t level, MeterBox box) override { bars[index(box)] = level; }
    void present() override {
        picture = drawing;
        shownBars = bars;
    }
    static std::size_t index(MeterBox box) { return static_cast<std::size_t>(box); }
};

}  // namespace tavrilo::test
