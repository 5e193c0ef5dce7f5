#pragma once

// What step_period and soak share: the real main window started as the program starts it, a log
// of its timer dispatches, the statistics over them and a table of figures against their goals.

#include <QApplication>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Form1.h"
#include "app/Instrument.h"
#include "common/Clock.h"
#include "common/QtThreadWake.h"
#include "midi/MidiSystem.h"
#include "sound/MeterCanvas.h"
#include "sound/modSynth_DX7.h"
#include "transport/AbletonLinkSession.h"
#include "transport/QtTimerPump.h"

namespace tavrilo::bench {

// The main() of a measurement program called `name`: offscreen windows and SDL's dummy sound
// device unless the environment names others (so it runs on a build machine; soak.sh sets up a
// real X server and sound server instead), and a failure told in one line, with status 2.
int runMeasurement(const char* name, int (*measure)(int, char**), int argc, char** argv);

// The program as main() builds it: the application look, a SteadyClock, the sound module, the
// Link session, the instrument and the main window, loaded, shown and with its timers handed to
// the event loop.
// loaded() is false when the sound could not be opened (the reason goes to stderr); the window
// is then neither shown nor started.
class RunningProgram {
public:
    // `period`: the device frames per callback to ask for.
    RunningProgram(int& argc, char** argv, int period = modSynth_DX7::kRequestedPeriod);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool loaded() const { return m_loaded; }
    QApplication& app() { return m_app; }
    modSynth_DX7& sound() { return m_sound; }
    const modSynth_DX7& sound() const { return m_sound; }
    Instrument& instrument() { return m_instrument; }
    Form1& form() { return *m_form; }

private:
    QApplication m_app;
    SteadyClock m_clock;
    modSynth_DX7 m_sound;
    MeterCanvas m_meter;
    QtThreadWake m_linkWake{[this] { m_instrument.linkChanged(); }};
    QtThreadWake m_midiWake{[this] { m_instrument.midiArrived(true); }};
    AbletonLinkSession m_link{m_clock, m_linkWake};
    MidiSystem m_midi{m_clock, m_midiWake};
    Instrument m_instrument{m_clock, m_sound, m_meter, {&m_link, &m_midi}};
    std::unique_ptr<Form1> m_form;  // made after the look is applied, as main() does
    std::unique_ptr<QtTimerPump> m_pump;
    bool m_loaded = false;
};

// What the audio callback does, measured on the audio thread itself through the sound module's
// probe: how many periods it mixed, the longest one (wall-clock, waits for a core included, and
// the CPU time it used), the longest gap between two, and the late ones. SDL reports no
// underruns, so a callback that starts more than two periods after the one before counts as
// late: the device had run dry by then. Installed for its lifetime.
class CallbackStats final : public CallbackProbe {
public:
    explicit CallbackStats(modSynth_DX7& sound);
    ~CallbackStats() override;
    CallbackStats(const CallbackStats&) = delete;
    CallbackStats& operator=(const CallbackStats&) = delete;

    struct Figures {
        std::uint64_t callbacks = 0;
        std::uint64_t lateCallbacks = 0;
        Nanos worstDuration{0};
        Nanos worstCpuTime{0};
        Nanos worstGap{0};
    };
    Figures figures() const;
    // Starts the figures afresh; a callback running meanwhile may add to the new count.
    void reset();

    void periodStarted() noexcept override;
    void periodMixed(const LoopMixer& mixer, int frames) noexcept override;

private:
    modSynth_DX7& m_sound;
    std::atomic<std::uint64_t> m_callbacks{0};
    std::atomic<std::uint64_t> m_late{0};
    std::atomic<std::int64_t> m_worstDurationNs{0};
    std::atomic<std::int64_t> m_worstCpuNs{0};
    std::atomic<std::int64_t> m_worstGapNs{0};
    // Audio thread only.
    std::int64_t m_startNs = 0;
    std::int64_t m_startCpuNs = 0;
    std::int64_t m_lastStartNs = 0;
};

// Optional argument `index` (1 the first): a whole number in [min, max], or `fallback` when there
// is none; nothing when it is malformed or out of range.
std::optional<int> countArgument(int argc, char** argv, int index, int fallback, int min, int max);

// Runs the event loop for `time`: after start-up (first paint, fonts, the sound device's first
// periods) and before play, as a user's first click comes long after the window appeared.
void settle(std::chrono::milliseconds time);

// Every tick of the step clock (Timer3) and of the synthesis tick (Timer1), from the window's
// dispatch observer. UI thread only, like the timers.
class DispatchLog {
public:
    // Calls `onStepTick` with the number of step ticks so far after each one.
    explicit DispatchLog(Instrument& instrument, std::function<void(std::size_t)> onStepTick = {});
    ~DispatchLog();
    DispatchLog(const DispatchLog&) = delete;
    DispatchLog& operator=(const DispatchLog&) = delete;

    std::size_t stepTicks() const { return m_stepStarts.size(); }
    std::size_t synthesisTicks() const { return m_synthesisDurations.size(); }
    // |interval between successive step-tick starts - `interval`|, in milliseconds.
    std::vector<double> stepPeriodErrorsMs(Nanos interval) const;
    // Start of each step tick after its deadline, in milliseconds (never negative).
    std::vector<double> stepLatenessMs() const;
    // How long each Timer1 handler ran, in microseconds.
    std::vector<double> synthesisDurationsUs() const;

private:
    Instrument& m_instrument;
    std::function<void(std::size_t)> m_onStepTick;
    std::vector<Nanos> m_stepStarts;
    std::vector<Nanos> m_stepLateness;
    std::vector<Nanos> m_synthesisDurations;
};

struct Summary {
    std::size_t count = 0;
    double mean = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};
// Percentiles by nearest rank: p99 of 199 values is the 198th smallest. All zero when empty.
Summary summarize(std::vector<double> values);

// Peak resident set size of this process so far, in MiB.
double peakRssMiB();

// Which window system and sound driver the run really used, the device's period and the
// machine's load average over the last minute.
std::string describeSetup(const RunningProgram& program);

// A block of figures, each with its goal where it has one.
class FigureTable {
public:
    explicit FigureTable(std::string title) : m_title(std::move(title)) {}
    // `met` is empty for a figure without a goal.
    void add(std::string_view what, double value, std::string_view unit, int decimals,
             std::string_view goal = {}, std::optional<bool> met = std::nullopt);
    // Prints the block to stdout; true when every goal was met.
    bool print() const;

private:
    struct Row {
        std::string what;
        std::string value;
        std::string goal;
        std::optional<bool> met;
    };
    std::string m_title;
    std::vector<Row> m_rows;
};

// The step clock's figures: step ticks, the period error against `interval` (goals: mean under
// 0.5 ms, 99th percentile under 2 ms) and how late the ticks started.
void addStepFigures(FigureTable& table, const DispatchLog& log, Nanos interval);

}  // namespace tavrilo::bench
