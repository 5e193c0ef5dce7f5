#pragma once

#include "common/Setting.h"
#include "sound/SoundPort.h"
#include "transport/StepSource.h"
#include "transport/TempoFit.h"

namespace tavrilo {

// The step source that follows an outside MIDI clock, as hardware does: six clocks make a step
// (a sixteenth note); no clocks, no steps. UI thread only: the MIDI messages come from the UI
// thread's drain of the MIDI input, in order, with the times they arrived.
//
// Start: the transport plays from step 0, and the next clock is the downbeat that plays it.
// Stop: it stops, and remembers how far into its step the master was. Continue: it resumes from
// there, so the steps stay on the master's sixteenths (a song position pointer, which names a
// sixteenth, makes the next clock a step boundary again). The user's play runs the transport
// from step 0 with the next clock as its downbeat; the user's stop stops it.
//
// The tempo is measured all the time from the clock times (TempoFit); while this source is
// active it shows on the Speed slider in ms per step, once it is known to a quarter of a ms.
class MidiClockSource final : public StepSource {
public:
    // `speed` is the Speed slider's model; `sound` says how late a step is heard.
    MidiClockSource(StepTransport& transport, Setting& speed, const SoundDevice& sound);

    // A running sequence goes on, its next step on the next clock.
    void activate(const std::optional<StepTiming>& next) override;
    std::optional<StepTiming> deactivate() override;
    void requestPlay() override;
    void requestStop() override;
    void requestTempo(int) override {}  // the measured tempo overwrites the slider
    // The tempo is known to a quarter of a ms: not before a few beats of clock have come, nor
    // for a beat or so after the clock paused or changed its tempo.
    bool locked() const override;

    // The MIDI real-time and song position messages.
    void clock(Nanos time);
    void start();
    void resume();  // Continue
    void stop();
    void songPosition(int sixteenths);  // only while stopped, as MIDI sends it

    // The measured step period; 0 until two clocks have come.
    Nanos stepPeriod() const;

private:
    void showTempo();

    StepTransport& m_transport;
    Setting& m_speed;
    const SoundDevice& m_sound;
    Nanos m_lastClock{0};
    bool m_active = false;
    bool m_running = false;  // the master's transport, as far as this source follows it
    int m_clocksToStep = 0;  // clocks before the next step boundary; 0: the next clock is one

    TempoFit m_tempo;
};

}  // namespace tavrilo
