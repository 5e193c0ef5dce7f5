// How long a note key takes to be heard, the program's share of it: from the key event's arrival
// to the start of the first audio callback that mixes a table computed after it. The main window
// is built and started as main() does it, a grey line makes every step sound at tempo 200 and
// play is pressed; the keys come from outside (bench/feel.sh presses them with xdotool at random
// moments). After PRESSES measured presses (200 unless given) it prints the figures, the device
// asked for PERIOD frames per callback (256 unless given).
//
//   press_to_sound [PRESSES [PERIOD]]
//
// A press whose synthesis pass publishes no new table (it would sound the same) measures nothing
// and is counted apart. Exit status: 0 every goal met, 1 a goal missed, 2 it could not run.
#include <QKeyEvent>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdio>
#include <exception>
#include <vector>

#include "PlaybackMeasure.h"
#include "board/ScoreAddressing.h"

namespace {

using namespace tavrilo;
using namespace std::chrono_literals;

Nanos steadyNow() { return std::chrono::steady_clock::now().time_since_epoch(); }

// The start of every callback and the newest table of loop 0 it mixed, written by the audio
// thread into room made beforehand, read by the UI thread up to the published count.
class MixLog final : public CallbackProbe {
public:
    explicit MixLog(modSynth_DX7& sound) : m_sound(sound), m_entries(1 << 16) {
        m_sound.setCallbackProbe(this);
    }
    ~MixLog() override { m_sound.setCallbackProbe(nullptr); }
    void periodStarted() noexcept override { m_start = steadyNow(); }
    void periodMixed(const LoopMixer& mixer, int) noexcept override {
        const std::size_t n = m_count.load(std::memory_order_relaxed);
        if (n == m_entries.size()) return;
        m_entries[n] = {m_start, mixer.mixed(0)};
        m_count.store(n + 1, std::memory_order_release);
    }
    // When the first callback mixing table `generation` or a newer one started.
    std::optional<Nanos> firstMixing(std::uint64_t generation) const {
        const std::size_t n = m_count.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < n; ++i)
            if (m_entries[i].generation >= generation) return m_entries[i].start;
        return std::nullopt;
    }

private:
    struct Entry {
        Nanos start;
        std::uint64_t generation;
    };
    modSynth_DX7& m_sound;
    std::vector<Entry> m_entries;
    std::atomic<std::size_t> m_count{0};
    Nanos m_start{0};  // audio thread only
};

// Every note key press as it arrives, before the program handles it: when, and the first table
// of loop 0 that can follow it.
class KeyLog final : public QObject {
public:
    KeyLog(modSynth_DX7& sound, Instrument& instrument)
        : m_sound(sound), m_instrument(instrument) {}
    struct Press {
        Nanos at;
        std::uint64_t nextTable;
        bool published;  // its handling published a new table
    };
    std::vector<Press> presses;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) return false;
        const Nanos at = steadyNow();
        const std::uint64_t before = m_sound.mixer().published(0);
        // Let the program handle it now, then see whether it published a table.
        const bool handled = m_instrument.noteKeyPressed(key->nativeScanCode(), 0, false);
        if (handled) presses.push_back({at, before + 1, m_sound.mixer().published(0) > before});
        return handled;
    }

private:
    modSynth_DX7& m_sound;
    Instrument& m_instrument;
};

int measure(int argc, char** argv) {
    const auto wanted = bench::countArgument(argc, argv, 1, 200, 1, 100000);
    const auto period =
        bench::countArgument(argc, argv, 2, modSynth_DX7::kRequestedPeriod, 16, 4096);
    if (!wanted || !period) {
        std::fprintf(stderr, "usage: press_to_sound [PRESSES [PERIOD]]\n");
        return 2;
    }
    bench::RunningProgram program(argc, argv, *period);
    if (!program.loaded()) return 2;
    Instrument& in = program.instrument();
    in.pickChalk(0);  // grey: Tone 10 at every step
    in.beginStroke(FreehandDrawing::kLeftButton, 0, 2100);
    for (int s = 0; s < kSteps; ++s)
        in.moveStroke(0, static_cast<float>(s * kColumnTwips), 2100);
    in.endStroke(FreehandDrawing::kLeftButton);

    MixLog mixes(program.sound());
    KeyLog keys(program.sound(), in);
    program.app().installEventFilter(&keys);  // the last installed is asked first
    bench::settle(1s);
    in.play();
    std::printf("playing; press note keys now\n");
    std::fflush(stdout);
    QTimer poll;
    poll.callOnTimeout([&] {
        std::size_t measured = 0;
        for (const auto& p : keys.presses)
            measured += p.published;
        if (measured >= static_cast<std::size_t>(*wanted)) program.app().exit(0);
    });
    poll.start(100);
    QTimer::singleShot(std::chrono::seconds(10 + *wanted), &program.app(),
                       [&] { program.app().exit(3); });
    const int loop = program.app().exec();
    in.stop();
    bench::settle(100ms);  // the last callbacks

    std::vector<double> shares;
    int unchanged = 0;
    for (const auto& p : keys.presses) {
        if (!p.published) {
            ++unchanged;
            continue;
        }
        if (const auto heard = mixes.firstMixing(p.nextTable))
            shares.push_back(std::chrono::duration<double, std::milli>(*heard - p.at).count());
    }
    if (loop != 0 || shares.empty()) {
        std::fprintf(stderr, "only %zu presses measured\n", shares.size());
        return 2;
    }
    const bench::Summary share = bench::summarize(shares);
    const double periodMs = 1000.0 * program.sound().devicePeriodFrames() / kSampleRate;
    bench::FigureTable table("Press to sound, the program's share (" +
                             bench::describeSetup(program) + ")");
    table.add("note key presses measured", static_cast<double>(share.count), "", 0);
    table.add("presses that changed no table", unchanged, "", 0);
    table.add("device period", periodMs, "ms", 2);
    table.add("share, median", share.median, "ms", 2);
    char goal[32];
    std::snprintf(goal, sizeof goal, "<= %.1f ms", periodMs);
    table.add("share, 99th percentile", share.p99, "ms", 2, goal, share.p99 <= periodMs);
    table.add("share, worst", share.max, "ms", 2);
    return table.print() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return tavrilo::bench::runMeasurement("press_to_sound", measure, argc, argv);
}
