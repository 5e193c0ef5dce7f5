// How closely the steps follow an Ableton Link session. The main window is built and started as
// main() does it, with a drawn line; Link is chosen, and once another program (a peer) is in the
// session, play is pressed here. For SECONDS (60 unless given) every step tick is compared with
// the session's timeline: step k of the start belongs at beat k/4, and is due the step source's
// lead before it. Then the internal clock plays the same line at 125 ms a step for as long, so
// the two are measured in one run on the same machine.
//
//   link_phase [SECONDS]
//
// Figures: the phase error, |step tick - (time of its beat - lead)| (goal: 99th percentile at most
// 2 ms), the session's tempo, and the internal clock's step figures (goals as step_period's).
// bench/soak.sh --link-phase runs it against a real X server, sound server and a Link peer at
// 120 bpm. Exit status: 0 every goal met, 1 a goal missed, 2 the measurement could not run.
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "PlaybackMeasure.h"

namespace {

using namespace tavrilo;
using namespace std::chrono_literals;

// Runs the event loop for `time`, or until `until` holds; true unless it timed out waiting.
bool runFor(QApplication& app, std::chrono::milliseconds time, std::function<bool()> until = {}) {
    QTimer poll, end;  // ending with this call, so that none stops a later loop
    if (until) {
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            if (until()) app.exit(0);
        });
        poll.start(50);
    }
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &app,
                     [&app, timedOut = until ? 3 : 0] { app.exit(timedOut); });
    end.start(time);
    return app.exec() == 0;
}

int measure(int argc, char** argv) {
    bench::RunningProgram program(argc, argv);
    if (!program.loaded()) return 2;
    const auto seconds = bench::countArgument(argc, argv, 1, 60, 5, 3600);
    if (!seconds) {
        std::fprintf(stderr, "usage: link_phase [SECONDS]   (5..3600, default 60)\n");
        return 2;
    }
    Instrument& in = program.instrument();
    for (int s = 0; s < kSteps; ++s)
        in.score().setCell(Row::Tone, s, 10 + s % 4);
    in.useStepSource(Instrument::StepSourceKind::Link);
    if (!runFor(program.app(), 15s, [&in] { return in.linkPeers().value_or(0) > 0; })) {
        std::fprintf(stderr, "no Link peer came within 15 s\n");
        return 2;
    }
    // Two sessions that start within half a second of each other merge at either's tempo.
    in.settings().tempo.set(125);  // 120 bpm
    bench::settle(1s);

    const LinkStepSource& link = *in.linkSource();
    std::vector<double> errorsMs;
    errorsMs.reserve(8192);
    const Clock& clock = in.timers().clock();
    Subscription probe = in.stepClock().stepped.connect([&](const StepTiming& t) {
        const Nanos due = t.heard - link.lead();
        errorsMs.push_back(
            std::abs(std::chrono::duration<double, std::milli>(clock.now() - due).count()));
    });
    in.play();
    runFor(program.app(), std::chrono::seconds(*seconds));
    const double bpm = 15000.0 / in.settings().tempo.value();
    in.stop();
    probe.reset();

    in.useStepSource(Instrument::StepSourceKind::Internal);
    in.settings().tempo.set(125);
    bench::settle(1s);
    bench::DispatchLog log(in);
    in.play();
    runFor(program.app(), std::chrono::seconds(*seconds));
    in.stop();

    bench::FigureTable table("Steps against an Ableton Link session, then the internal clock (" +
                             bench::describeSetup(program) + ")");
    const bench::Summary phase = bench::summarize(errorsMs);
    table.add("Link: session tempo shown", bpm, "bpm", 1);
    table.add("Link: steps", static_cast<double>(phase.count), "", 0);
    table.add("Link: phase error, median", phase.median, "ms", 3);
    table.add("Link: phase error, 99th percentile", phase.p99, "ms", 3, "<= 2 ms",
              phase.p99 <= 2.0);
    table.add("Link: phase error, max", phase.max, "ms", 3);
    bench::addStepFigures(table, log, 125ms);
    return phase.count > 0 && table.print() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return tavrilo::bench::runMeasurement("link_phase", measure, argc, argv);
}
