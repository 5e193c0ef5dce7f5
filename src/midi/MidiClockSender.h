#pragma once

#include "midi/MidiPorts.h"
#include "transport/StepSource.h"

namespace tavrilo {

// "Send MIDI clock": turns the sequence's start, steps and stop into MIDI clock, stamped with
// the times the steps are heard, so that the timing does not depend on when the UI thread runs.
// 24 clocks per quarter note, six per step, the first on the step. UI thread only.
//
// Due times never go backwards: a message stamped earlier than the one before it goes right
// after it, so Start and Stop keep their place among clocks already queued.
class MidiClockSender {
public:
    explicit MidiClockSender(MidiOutput& out) : m_out(out) {}

    // The sequence starts; its first step will be `fromStep`. Start when that is step 0, else the
    // song position (in sixteenths, one per step) and Continue; sent at once, before the first
    // step's clocks.
    void started(int fromStep);
    // A step: its six clocks at timing.heard + k * period / 6; only the first while the period
    // is unknown (0).
    void stepped(const StepTiming& timing);
    // The sequence stops: Stop, right after the clocks already sent, so a receiver stops on the
    // same step boundary as the sequence.
    void stopped();

private:
    void send(Nanos due, std::initializer_list<std::uint8_t> message);

    MidiOutput& m_out;
    Nanos m_last{0};  // the latest due time sent
};

}  // namespace tavrilo
