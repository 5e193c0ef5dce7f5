#pragma once

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "board/FreehandDrawing.h"
#include "common/Clock.h"
#include "common/Signal.h"
#include "common/UiThread.h"
#include "midi/MidiClockSender.h"
#include "midi/MidiPorts.h"
#include "panels/StepIndicators.h"
#include "panels/StepParameterSet.h"
#include "patterns/PatternMemory.h"
#include "patterns/TuneText.h"
#include "sound/MeterSink.h"
#include "sound/SoundKeeper.h"
#include "sound/SoundPort.h"
#include "sound/SynthEngine.h"
#include "sound/VoiceState.h"
#include "transport/InternalStepSource.h"
#include "transport/LinkStepSource.h"
#include "transport/MidiClockSource.h"
#include "transport/StepClock.h"
#include "transport/TimerService.h"
#include "transport/TransportSettings.h"

namespace tavrilo {

// The whole instrument without its windows: the score, the transport settings, the voice, the
// synthesis, the timers, the step clock and its sources, the drawing rules, the pattern slots and
// the played notes. Its methods are what the controls do; the windows bind their controls to its
// models and forward their events here (docs/architecture.md has the table). It reaches the
// outside only through the sound device, the meter sink and its signals.
//
// UI thread only: every entry point checks so in debug builds.
class Instrument {
public:
    // What the instrument may reach beyond the sound: an Ableton Link session for the step clock
    // to follow, and MIDI ports for notes and clock. Each must outlive the instrument.
    struct Connections {
        LinkSession* link = nullptr;
        MidiPorts* midi = nullptr;
    };
    Instrument(const Clock& clock, SoundDevice& sound, MeterSink& meter, Connections connections);
    Instrument(const Clock& clock, SoundDevice& sound, MeterSink& meter)
        : Instrument(clock, sound, meter, Connections{}) {}
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // The sound opened and both loops playing, the pen white, the voice at rest, the tempo at
    // 200 (which reaches the step clock), the start-up score and length 32. False, with nothing
    // else done, when the sound cannot be opened.
    bool startUp();
    // The sound released and every timer stopped.
    void shutDown();

    // The transport, through the step source in use.
    void play();
    void stop();
    // Space: stops a running sequence, plays a stopped one.
    void playOrStop();
    // Whether a window of the program is active. Only in the background, stopped, silent for two
    // seconds and with no outside clock that could start a note, may the sound device rest; it
    // wakes as soon as a window is active again, so a note played then is not late.
    void setForeground(bool active);
    // For measurements and tests: the synthesis timer ticks at every 64 Hz tick, as designed.
    void keepSynthesisAwake() { m_synthesisMaySleep = false, settle(); }

    // Which source moves the step clock. A running sequence goes on without a jump; a source
    // this program was started without is not taken.
    enum class StepSourceKind { Internal, Link, MidiClock };
    void useStepSource(StepSourceKind kind);
    StepSourceKind stepSource() const { return m_sourceKind; }
    // The Link session changed (its threads woke the UI thread).
    void linkChanged();
    // Peers in the Link session; none when Link is not there at all.
    std::optional<std::size_t> linkPeers() const;

    // MIDI came in (its threads woke the UI thread): note-ons play as note keys do, unless
    // `playNotes` is false (a modal dialog is up); clock, start, continue, stop and song position
    // go to the MIDI clock follower.
    void midiArrived(bool playNotes);
    // Which MIDI system there is ("JACK", ...), or "unavailable".
    std::string midiDescription() const;
    bool midiAvailable() const { return m_midi && m_midi->available(); }
    // "Send MIDI clock": the sequence's start, steps and stop go out as MIDI clock, whatever
    // source moves it.
    void sendMidiClock(bool on);
    bool sendingMidiClock() const { return m_sendClock; }

    void resetScore();
    // The drawing position returns home and boardCleared tells the board to clear.
    void clearBoard();
    void pickChalk(int swatch);
    void setDrawingMode(AddressingMode mode);
    // A stroke on the board, in twips inside its border; button flags 1 left, 2 right, 4 middle.
    void beginStroke(int button, float x, float y);
    void moveStroke(int buttons, float x, float y);
    void endStroke(int button);
    void storePattern(int slot);
    void recallPattern(int slot);

    // A key of the computer keyboard went down; true when it is one of the 24 note keys. A note
    // key plays unless the press is an auto-repeat.
    bool noteKeyPressed(std::uint32_t nativeScanCode, char32_t character, bool autoRepeat);
    // A note at `pitch` (1..24) with the other settings of currentStep, heard at once.
    void playNote(std::int16_t pitch);

    // The whole tune, for sharing: the score, the tempo and the two "Expand" values.
    Tune tune() const;
    // Takes a shared tune in place of the score, tempo and "Expand" values, as a recall does:
    // heard from the next step on, nothing stopped or restarted. Under Link or a MIDI clock the
    // tempo is the session's, so the tune's own is left out.
    void pasteTune(const Tune& tune);
    // The board cleared and the score drawn on it in chalk, one line per row (a pasted tune
    // that came without its picture).
    void drawScore();
    // True while the internal timer keeps time; otherwise the slider shows a tempo set elsewhere.
    bool ownsTempo() const { return m_source == &m_internal; }

    // The synthesis tick. Its timer sleeps while a tick would compute what is already playing
    // and no ramp is running; anything that changes the voice runs a tick, which wakes it.
    void synthesisTick();
    void attackRampTick();
    void decayRampTick();

    // The models the windows bind to.
    StepParameterSet& score() { return m_score; }
    const StepParameterSet& score() const { return m_score; }
    StepIndicators& indicators() { return m_indicators; }
    const StepIndicators& indicators() const { return m_indicators; }
    PatternMemory& patterns() { return m_patterns; }
    TransportSettings& settings() { return m_settings; }
    const TransportSettings& settings() const { return m_settings; }
    // A stroke's segment for the board to draw, and the board to clear.
    Signal<const Segment&> segmentDrawn;
    Signal<> boardCleared;

    // What the tests and measurements look at.
    const VoiceState& voice() const { return m_voice; }
    const FreehandDrawing& drawing() const { return m_drawing; }
    StepClock& stepClock() { return m_stepClock; }
    const StepClock& stepClock() const { return m_stepClock; }
    const SynthEngine& engine() const { return m_engine; }
    TimerService& timers() { return m_timers; }
    const TimerService::Timer& synthesisTimer() const { return m_synthesisTimer; }
    const TimerService::Timer& attackTimer() const { return m_attackTimer; }
    const TimerService::Timer& stepTimer() const { return m_internal.timer(); }
    const TimerService::Timer& decayTimer() const { return m_decayTimer; }
    const LinkStepSource* linkSource() const { return m_link.get(); }

private:
    SoundDevice& m_sound;
    MeterSink& m_meter;
    UiThreadAffinity m_uiThread;

    StepParameterSet m_score;
    StepIndicators m_indicators;
    TransportSettings m_settings;
    VoiceState m_voice;
    SynthEngine m_engine;
    PatternMemory m_patterns{m_score};
    FreehandDrawing m_drawing{m_score};

    // The timers as designed, created in this order, which decides who goes first when
    // deadlines meet: attack ramp, step, decay ramp, synthesis. The synthesis comes last on the
    // shared 64 Hz wake-up, so a note that the attack ramp raises from silence is heard from
    // that very tick, not one tick later.
    TimerService m_timers;
    TimerService::Timer& m_attackTimer = m_timers.create(0, true, [this] { attackRampTick(); });
    InternalStepSource m_internal{m_timers, m_stepClock, m_sound};
    TimerService::Timer& m_decayTimer = m_timers.create(0, false, [this] { decayRampTick(); });
    TimerService::Timer& m_synthesisTimer = m_timers.create(1, true, [this] { synthesisTick(); });
    StepClock m_stepClock{m_score, m_indicators, m_voice, m_settings,
                          StepClock::Ramps{m_attackTimer, m_decayTimer}};
    std::unique_ptr<LinkStepSource> m_link;
    MidiPorts* m_midi = nullptr;
    std::unique_ptr<MidiClockSource> m_midiClock;
    std::unique_ptr<MidiClockSender> m_clockOut;
    bool m_sendClock = false;
    StepSource* m_source = &m_internal;
    StepSourceKind m_sourceKind = StepSourceKind::Internal;

    // Brings the sound back when the device is lost, on a timer of its asking.
    void keepSound();
    SoundKeeper m_keeper{m_sound, std::cerr};
    TimerService::Timer& m_keeperTimer = m_timers.create(0, false, [this] { keepSound(); });
    Subscription m_deviceChanged = m_sound.deviceChanged.connect([this] { keepSound(); });

    // The sound device rests after this long in the background, stopped and silent.
    static constexpr std::chrono::seconds kQuietBeforeRest{2};
    TimerService::Timer& m_restTimer = m_timers.create(0, false, [this] { m_sound.rest(); });
    bool m_foreground = true;
    bool m_synthesisMaySleep = true;
    // After anything that may change the voice or the quiet: the synthesis timer sleeps or
    // wakes, and the rest is due or called off.
    void settle();
    Subscription m_tempoMoved;
    Subscription m_stepped;
    Subscription m_clockOutStarted, m_clockOutStepped, m_clockOutStopped;
};

}  // namespace tavrilo
