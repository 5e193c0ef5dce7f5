// How evenly the step clock ticks in the running program. The main window is built and started
// as main() does it, every step of the score sounds with some modulation, the tempo slider is at
// 50 ms and play is pressed; the Qt event loop then runs, with the synthesis tick, until STEPS
// step ticks (200 unless given) have come.
//
//   step_period [STEPS]
//
// Figures: the step period's error, |interval between successive step-tick starts - 50 ms|
// (goals: mean under 0.5 ms, 99th percentile under 2 ms), and how late each step tick started
// after its deadline. Headless unless QT_QPA_PLATFORM / SDL_AUDIODRIVER say otherwise;
// bench/soak.sh --step-period runs it against a real X server and sound server.
// Exit status: 0 every goal met, 1 a goal missed, 2 the measurement could not run.
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "PlaybackMeasure.h"

namespace {

using namespace tavrilo;
using namespace std::chrono_literals;

constexpr int kTempoMs = 50;
constexpr int kDefaultSteps = 200;

// Every step sounds (Tone below 24) at its own pitch and waveforms, with all three modulations
// on (a rate is 100 - the slider value).
void writeSoundingScore(StepParameterSet& score) {
    for (int s = 0; s < kSteps; ++s) {
        score.setCell(Row::Tone, s, (s * 5) % 24);
        score.setCell(Row::Osc1, s, s % 8);
        score.setCell(Row::Osc2, s, (s * 3) % 8);
        score.setCell(Row::AM1, s, 70);
        score.setCell(Row::AM2, s, 85);
        score.setCell(Row::FM, s, 90);
        score.setCell(Row::VOL, s, 10);
        score.setCell(Row::Decay, s, 8);
        score.setCell(Row::Atteck, s, 20);
    }
    score.setLength(kMaxLength);
}

int measure(int argc, char** argv) {
    bench::RunningProgram program(argc, argv);
    if (!program.loaded()) return 2;
    const auto parsed = bench::countArgument(argc, argv, 1, kDefaultSteps, 2, 100000);
    if (!parsed) {
        std::fprintf(stderr, "usage: step_period [STEPS]   (STEPS 2..100000, default %d)\n",
                     kDefaultSteps);
        return 2;
    }
    const int steps = *parsed;
    Instrument& form = program.instrument();
    writeSoundingScore(form.score());
    form.settings().tempo.set(kTempoMs);
    if (form.stepTimer().interval() != kTempoMs) {
        std::fprintf(stderr, "the tempo slider did not reach the step clock\n");
        return 2;
    }

    bench::settle(1s);
    QApplication& app = program.app();
    bench::DispatchLog log(form, [&app, steps](std::size_t ticks) {
        if (ticks >= static_cast<std::size_t>(steps)) app.exit(0);
    });
    // Twice the expected time and then some: a stall this long is a result in itself.
    const auto limit = std::chrono::milliseconds(steps * kTempoMs * 2) + 10s;
    QTimer::singleShot(limit, &app, [&app] { app.exit(3); });

    const auto t0 = std::chrono::steady_clock::now();
    form.play();
    const int loop = app.exec();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    form.stop();
    if (loop != 0 || log.stepTicks() < static_cast<std::size_t>(steps)) {
        std::fprintf(stderr, "only %zu of %d step ticks came within %.0f s\n", log.stepTicks(),
                     steps, seconds);
        return 2;
    }

    bench::FigureTable table("Step period at " + std::to_string(kTempoMs) + " ms per step (" +
                             bench::describeSetup(program) + ")");
    bench::addStepFigures(table, log, 1ms * kTempoMs);
    table.add("synthesis ticks per second", static_cast<double>(log.synthesisTicks()) / seconds, "",
              1);
    return table.print() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return tavrilo::bench::runMeasurement("step_period", measure, argc, argv);
}
