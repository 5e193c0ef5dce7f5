#pragma once

// Stand-ins for what the core reaches outside: a sound device that keeps what it is given, a
// meter that keeps the picture of the last tick, and a Link session.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "sound/MeterSink.h"
#include "sound/SoundFormat.h"
#include "sound/SoundPort.h"
#include "transport/LinkSession.h"

namespace tavrilo::test {

struct FakeSound : SoundDevice {
    explicit FakeSound(const Clock& clock) : clock(clock) {}
    const Clock& clock;
    bool opened = false, resting = false;
    unsigned playing = 0;  // one bit per loop
    Nanos latency{0};
    std::vector<Nanos> sounded;  // when loop 0 went from silence to sound
    std::array<std::vector<std::uint8_t>, kSoundBuffers> tables{
        std::vector<std::uint8_t>(kLoopBytes, kSilentByte),
        std::vector<std::uint8_t>(kLoopBytes, kSilentByte)};

    bool open() override { return opened = true; }
    void startLoop(std::int16_t index) override { playing |= 1u << index; }
    void release() override { opened = false, playing = 0; }
    void rest() override { resting = true; }
    void wake() override { resting = false; }
    Nanos outputLatency() const override { return latency; }
    State deviceState() const override {
        return !opened ? State::Closed : resting ? State::Resting : State::Streaming;
    }
    // A device that never fails: its periods go by with the clock.
    std::uint64_t periodsMixed() const override { return clock.now() / Nanos(10'000'000); }
    void reopen() override {}
    const std::string& lastError() const override { return error; }
    std::string error;
    float clockSeconds() const override {
        return static_cast<float>(std::chrono::duration<double>(clock.now()).count());
    }
    void writeLoop(std::int16_t index, std::span<const std::uint8_t> table) override {
        if (!opened) throw std::logic_error("closed");
        if (index == 0 && isSilence(tables[0]) && !isSilence(table.first(kLoopBytes)))
            sounded.push_back(clock.now());
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
    void plotTracePoint(std::int16_t, float sample, MeterBox box) override {
        drawing[index(box)].push_back(sample);
    }
    void drawLevelBar(std::int16_t level, MeterBox box) override { bars[index(box)] = level; }
    void present() override { picture = drawing, shownBars = bars; }
    static std::size_t index(MeterBox box) { return static_cast<std::size_t>(box); }
};

// A session with one straight timeline: beat(t) = beat0 + (t - t0) x bpm / 60 s. A start maps
// beat 0 to its time when alone, and with peers to the first bar at or after it.
struct FakeSession final : LinkSession {
    explicit FakeSession(const Clock& c) : clock(c) {}
    const Clock& clock;
    std::size_t peerCount = 1;
    double bpm = 0, shown = 0, beat0 = 0;  // the timeline's tempo, and the one it shows
    Nanos t0{0}, startedAt{0};
    bool joined = false, isPlaying = false;

    void join(double b) override { joined = true, bpm = shown = b, t0 = clock.now(), beat0 = 0; }
    void leave() override { joined = false; }
    std::size_t peers() const override { return peerCount; }
    double tempo() const override { return shown; }
    void setTempo(double b, Nanos at) override {
        shown = b;
        if (std::isfinite(b)) beat0 = beatAt(at), t0 = at, bpm = b;
    }
    double beatAt(Nanos t) const override { return beat0 + double((t - t0).count()) * bpm / 60e9; }
    Nanos timeAt(double beat) const override {
        return t0 + Nanos(std::llround((beat - beat0) * 60e9 / bpm));
    }
    bool playing() const override { return isPlaying; }
    Nanos playingSince() const override { return startedAt; }
    void setPlaying(bool p, Nanos at, double beat = 0) override {
        isPlaying = p, startedAt = at;
        if (p) mapBeat(beat, at);
    }
    void mapBeatZeroToStart() override { mapBeat(0, startedAt); }
    void mapBeat(double beat, Nanos at) {
        const double shift = beatAt(at) - beat;
        beat0 -= peerCount ? std::ceil(shift / kQuantum - 1e-9) * kQuantum : shift;
    }
};

}  // namespace tavrilo::test
