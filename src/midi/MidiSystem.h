#pragma once

#include <memory>

#include "common/Clock.h"
#include "common/ThreadWake.h"
#include "midi/MidiPorts.h"

namespace tavrilo {

class AlsaMidiPort;
class JackMidiPort;

// The MIDI ports of whatever MIDI system there is: the ALSA sequencer when /dev/snd/seq exists
// (PipeWire desktops bridge it to their graph), and JACK when a JACK server (or PipeWire's JACK)
// answers, never starting one. Both at once when both are there; neither, and MIDI is
// unavailable and nothing else changes. Opened once, at construction, on the UI thread, which
// owns it; `wake` is called from the MIDI threads when events wait to be drained. The destructor
// lets the messages still due go out first (a Stop sent at the end among them), waiting up to a
// second and a half.
class MidiSystem final : public MidiPorts {
public:
    MidiSystem(const Clock& clock, ThreadWake& wake);
    ~MidiSystem() override;
    MidiSystem(const MidiSystem&) = delete;
    MidiSystem& operator=(const MidiSystem&) = delete;

    bool available() const override;
    std::string description() const override;
    bool inputConnected() const override;
    std::size_t drain(std::span<MidiEvent> into) override;
    // To every open port.
    void send(Nanos due, std::span<const std::uint8_t> message) override;

private:
    const Clock& m_clock;
    ThreadWake& m_wake;
    Nanos m_lastDue{0};  // the latest due time sent
    std::unique_ptr<AlsaMidiPort> m_alsa;
    std::unique_ptr<JackMidiPort> m_jack;
};

}  // namespace tavrilo
