#pragma once

#include <memory>
#include <span>
#include <vector>

#include "common/Clock.h"
#include "common/ThreadWake.h"
#include "midi/MidiEvent.h"
#include "midi/MidiInput.h"

class RtMidiIn;
typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;
typedef struct _snd_seq_queue_status snd_seq_queue_status_t;

namespace tavrilo {

// The ALSA sequencer's ports, both named "Tavrilo Synth". In: an RtMidi virtual port "in" (its own
// sequencer client), whose thread stamps each message on arrival and feeds its bytes to a
// MidiInput. Out: a sequencer client with the port "out" and a queue, each message scheduled at
// its due time on the queue's real-time clock, so ALSA sends it then.
class AlsaMidiPort {
public:
    // Null where there is no ALSA sequencer (no /dev/snd/seq) or it refuses a client.
    static std::unique_ptr<AlsaMidiPort> open(ThreadWake& wake, Nanos steadyToProgram);
    ~AlsaMidiPort();
    AlsaMidiPort(const AlsaMidiPort&) = delete;
    AlsaMidiPort& operator=(const AlsaMidiPort&) = delete;

    // UI thread.
    bool inputConnected() const;
    std::size_t drain(std::span<MidiEvent> into) { return m_input.drain(into); }
    void send(Nanos due, std::span<const std::uint8_t> message);

private:
    AlsaMidiPort(ThreadWake& wake, Nanos steadyToProgram);
    static void received(double, std::vector<unsigned char>* message, void* self);
    // The sequencer address of RtMidi's input port: its client is ours by process id.
    bool findInputPort() const;

    MidiInput m_input;
    const Nanos m_steadyToProgram;
    std::unique_ptr<RtMidiIn> m_in;
    snd_seq_t* m_seq = nullptr;
    int m_port = -1;
    int m_queue = -1;
    snd_midi_event_t* m_encoder = nullptr;
    snd_seq_queue_status_t* m_status = nullptr;
    mutable int m_inClient = -1;
    mutable int m_inPort = -1;
};

}  // namespace tavrilo
