// A long run of the whole program under a busy score. The main window is built and started as
// main() does it, the meter window and the three panels are opened, all nine chalks draw a
// stroke across every step column through the board's mouse handlers (so every row of the score
// is written the way a user writes it), both "Expand" sliders are up, the tempo is 120 ms and
// play is pressed. The Qt event loop then runs for SECONDS (60 unless given), with the sound
// device asked for PERIOD frames per callback (256 unless given).
//
//   soak [SECONDS [PERIOD]]
//
// Figures, with their goals: late audio callbacks (the device ran dry; 0), the worst audio
// callback (under 100 us), the synthesis tick's median (under 150 us, as synth_tick_bench) and
// worst time, the step period's error (mean under 0.5 ms, 99th percentile under 2 ms) and the
// peak resident set size (under 80 MiB). Headless unless QT_QPA_PLATFORM / SDL_AUDIODRIVER say
// otherwise: bench/soak.sh runs it against a real X server and a real sound server, where the
// audio callback is driven by the sound server rather than by SDL's dummy device.
// Exit status: 0 every goal met, 1 a goal missed, 2 the soak could not run.
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "PlaybackMeasure.h"
#include "board/ScoreAddressing.h"

namespace {

using namespace tavrilo;
using namespace std::chrono_literals;

constexpr int kTempoMs = 120;
constexpr int kDefaultSeconds = 60;
constexpr int kCut1 = 600;  // the "Expand" sliders, 0..2000
constexpr int kCut2 = 1400;

// What the strokes write, per row and step. Every 8th step is a rest (Tone 24); the others
// sound with all three modulations on. Values stay low enough that the stroke lies on the board
// (its drawing area is 4875 twips high).
int plannedValue(Row row, int s) {
    switch (row) {
        case Row::Tone: return s % 8 == 7 ? 24 : (s * 7) % 24;
        case Row::Osc1: return s % 7;
        case Row::Osc2: return (s * 3 + 1) % 7;
        case Row::AM1: return 55 + (s * 5) % 40;
        case Row::AM2: return 50 + (s * 9) % 45;
        case Row::FM: return 75 + (s * 3) % 20;
        case Row::VOL: return (s * 3) % 30;
        case Row::Decay: return 2 + s % 12;
        case Row::Atteck: return 4 + (s * 5) % 22;
    }
    return 0;
}

// One left-button stroke per chalk across all 32 columns: three moves per column (X = 240 s
// and 60 twips either side, all of which address column s), at the height that writes the
// planned value: Y = value x divisor + divisor / 4, well inside the value's band.
void drawScore(Instrument& form) {
    form.setDrawingMode(AddressingMode::CursorStep);  // "2": the column under the pointer
    for (int swatch = 0; swatch < kChalks; ++swatch) {
        const Chalk& chalk = chalkTable()[static_cast<std::size_t>(swatch)];
        form.pickChalk(swatch);
        const auto y = [&chalk](int s) {
            return static_cast<float>(plannedValue(chalk.row, s) * chalk.divisor +
                                      chalk.divisor / 4);
        };
        form.beginStroke(FreehandDrawing::kLeftButton, -60.0f, y(0));
        for (int s = 0; s < kSteps; ++s)
            for (int dx : {-60, 0, 60})
                form.moveStroke(FreehandDrawing::kLeftButton,
                                static_cast<float>(s * kColumnTwips + dx), y(s));
        form.endStroke(FreehandDrawing::kLeftButton);
    }
}

int cellsOffPlan(const StepParameterSet& score) {
    int off = 0;
    for (Row row : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            if (score.cell(row, s) != plannedValue(row, s)) ++off;
    return off;
}

int soak(int argc, char** argv) {
    const auto parsed = bench::countArgument(argc, argv, 1, kDefaultSeconds, 1, 86400);
    const auto period =
        bench::countArgument(argc, argv, 2, modSynth_DX7::kRequestedPeriod, 16, 4096);
    if (!parsed || !period) {
        std::fprintf(stderr,
                     "usage: soak [SECONDS [PERIOD]]   (SECONDS 1..86400, default %d; PERIOD "
                     "device frames, default %d)\n",
                     kDefaultSeconds, modSynth_DX7::kRequestedPeriod);
        return 2;
    }
    bench::RunningProgram program(argc, argv, *period);
    if (!program.loaded()) return 2;
    const int seconds = *parsed;
    Instrument& form = program.instrument();
    for (const char* opener : {"Command2", "Command20", "Command18", "Command19"})
        program.form().button(opener)->click();  // "vu", "osc", "mod", "vol"
    drawScore(form);
    if (const int off = cellsOffPlan(form.score()); off != 0) {
        std::fprintf(stderr, "the strokes left %d of %d cells off the plan\n", off, kRows * kSteps);
        return 2;
    }
    TransportSettings& settings = form.settings();
    settings.expand1.set(kCut1);
    settings.expand2.set(kCut2);
    settings.tempo.set(kTempoMs);
    if (form.stepTimer().interval() != kTempoMs) {
        std::fprintf(stderr, "the tempo or the Expand sliders did not take their values\n");
        return 2;
    }

    bench::CallbackStats callbacks(program.sound());
    bench::settle(1s);
    QApplication& app = program.app();
    bench::DispatchLog log(form);
    QTimer::singleShot(std::chrono::seconds(seconds), &app, [&app] { app.exit(0); });
    // The callback figures describe playback: the device's warm-up and the sound server's
    // stream set-up before it are reported on their own.
    const bench::CallbackStats::Figures before = callbacks.figures();
    callbacks.reset();
    // Where there is a MIDI system (bench/soak.sh --midi-clock starts a JACK server), the clock
    // goes out too.
    form.sendMidiClock(true);
    const auto t0 = std::chrono::steady_clock::now();
    form.play();
    const int loop = app.exec();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    form.stop();
    const bench::CallbackStats::Figures audio = callbacks.figures();
    if (loop != 0) {
        std::fprintf(stderr, "the event loop ended early (status %d)\n", loop);
        return 2;
    }

    const bench::Summary synthesis = bench::summarize(log.synthesisDurationsUs());
    const double rss = bench::peakRssMiB();
    const auto us = [](Nanos t) { return std::chrono::duration<double, std::micro>(t).count(); };

    bench::FigureTable table("Soak: " + std::to_string(seconds) + " s of playback at " +
                             std::to_string(kTempoMs) + " ms per step (" +
                             bench::describeSetup(program) + ")");
    table.add("audio callbacks during playback", static_cast<double>(audio.callbacks), "", 0);
    table.add("late audio callbacks (ran dry), playing", static_cast<double>(audio.lateCallbacks),
              "", 0, "0", audio.lateCallbacks == 0);
    table.add("worst audio callback duration, playing", us(audio.worstDuration), "us", 1,
              "< 100 us", audio.worstDuration < 100us);
    table.add("worst audio callback CPU time, playing", us(audio.worstCpuTime), "us", 1);
    table.add("worst gap between callbacks, playing", us(audio.worstGap) / 1000.0, "ms", 2);
    table.add("late audio callbacks, before play", static_cast<double>(before.lateCallbacks), "",
              0);
    table.add("worst audio callback duration, before play", us(before.worstDuration), "us", 1);
    table.add("synthesis ticks (Timer1) per second", static_cast<double>(synthesis.count) / elapsed,
              "", 1);
    table.add("synthesis tick, median", synthesis.median, "us", 1, "< 150 us",
              synthesis.median < 150.0);
    table.add("synthesis tick, 99th percentile", synthesis.p99, "us", 1);
    table.add("synthesis tick, worst", synthesis.max, "us", 1);
    bench::addStepFigures(table, log, 1ms * kTempoMs);
    table.add("peak resident set size", rss, "MiB", 1, "< 80 MiB", rss < 80.0);
    return table.print() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return tavrilo::bench::runMeasurement("soak", soak, argc, argv); }
