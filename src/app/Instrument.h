#pragma once

#include <cstdint>

#include "board/FreehandDrawing.h"
#include "common/Clock.h"
#include "common/Signal.h"
#include "common/UiThread.h"
#include "panels/StepIndicators.h"
#include "panels/StepParameterSet.h"
#include "patterns/PatternMemory.h"
#include "patterns/TuneText.h"
#include "sound/MeterSink.h"
#include "sound/SoundPort.h"
#include "sound/SynthEngine.h"
#include "sound/VoiceState.h"
#include "transport/StepClock.h"
#include "transport/TimerService.h"
#include "transport/TransportSettings.h"

namespace tavrilo {

// The whole instrument without its windows: the score, the transport settings, the voice, the
// synthesis, the four timers and the step clock, the drawing rules, the pattern slots and the
// keyboard notes. Its methods are the handlers of the main window's controls and timers; the
// windows bind their controls to its models and forward their events here. It reaches the
// outside only through the sound device, the meter sink and its signals.
//
// UI thread only: every handler checks so in debug builds.
class Instrument {
public:
    Instrument(const Clock& clock, SoundDevice& sound, MeterSink& meter);
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // The load handler: the sound opened and both loops playing, the pen white, the voice at
    // rest, the tempo at 200 (which reaches the step clock), the start-up score and length 32.
    // False, with nothing else done, when the sound cannot be opened.
    bool Form_Load();
    // The unload: the sound released and every timer stopped.
    void Form_Unload();

    void cmdplay_Click();
    void cmdstop_Click();
    void cmdreset_Click();
    // "new": the drawing position returns home and boardCleared tells the board to clear.
    void cmdnew_Click();
    void sltempo_Change();
    void lblcolor_Click(int swatch);
    void optraw_Click(int index);  // 0 is "1" (play step), 1 is "2" (cursor step)
    void Picdraw_MouseDown(int button, int shift, float x, float y);
    void Picdraw_MouseMove(int button, int shift, float x, float y);
    void Picdraw_MouseUp(int button, int shift, float x, float y);
    void storeSlot_Click(int slot);   // "S": Command4, Command6, ... Command14
    void recallSlot_Click(int slot);  // "L": Command5, Command7, ... Command15
    // A key of the computer keyboard went down; true when it is one of the 24 note keys. A note
    // key plays unless the press is an auto-repeat.
    bool notePressed(std::uint32_t nativeScanCode, char32_t character, bool autoRepeat);
    // A note at `pitch` with the other settings of currentStep, heard at once.
    void keyboardNote(std::int16_t pitch);

    // The whole tune, for sharing: the score, the tempo and the two "Expand" values.
    Tune tune() const;
    // Takes a shared tune in place of the score, tempo and "Expand" values, as a recall does:
    // heard from the next step on, nothing stopped or restarted.
    void pasteTune(const Tune& tune);

    // The synthesis tick. Two seconds into a silence with the transport stopped, it lets the
    // sound device rest.
    void Timer1_Timer();
    void Timer2_Timer();  // attack ramp
    void Timer3_Timer();  // step clock
    void Timer4_Timer();  // decay ramp

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
    const StepClock& stepClock() const { return m_stepClock; }
    const SynthEngine& engine() const { return m_engine; }
    TimerService& timers() { return m_timers; }
    const TimerService::Timer& Timer1() const { return m_timer1; }
    const TimerService::Timer& Timer2() const { return m_timer2; }
    const TimerService::Timer& Timer3() const { return m_timer3; }
    const TimerService::Timer& Timer4() const { return m_timer4; }

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

    // The timers as designed; the step clock and the ramps take them over from there.
    TimerService m_timers;
    TimerService::Timer& m_timer1 = m_timers.create(1, true, [this] { Timer1_Timer(); });
    TimerService::Timer& m_timer2 = m_timers.create(0, true, [this] { Timer2_Timer(); });
    TimerService::Timer& m_timer3 = m_timers.create(75, false, [this] { Timer3_Timer(); });
    TimerService::Timer& m_timer4 = m_timers.create(0, false, [this] { Timer4_Timer(); });
    StepClock m_stepClock{m_score, m_indicators, m_voice, m_settings,
                          StepClock::Timers{m_timer2, m_timer3, m_timer4}};

    // Synthesis ticks in a row that found the transport stopped and both loops silent.
    int m_quietTicks = 0;
    Subscription m_tempoMoved;
};

}  // namespace tavrilo
