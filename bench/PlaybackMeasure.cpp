#include "PlaybackMeasure.h"

#include <SDL.h>
#include <sys/resource.h>
#include <time.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "common/ApplicationLook.h"

namespace tavrilo::bench {

int runMeasurement(const char* name, int (*measure)(int, char**), int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        return measure(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s stopped: %s\n", name, e.what());
        return 2;
    }
}

RunningProgram::RunningProgram(int& argc, char** argv, int period)
    : m_app(argc, argv), m_sound(m_clock, period) {
    m_app.setQuitOnLastWindowClosed(false);
    applyApplicationLook(m_app);
    m_form = std::make_unique<Form1>(m_instrument, m_meter);
    m_loaded = m_form->load();
    if (!m_loaded) {
        std::fprintf(stderr, "cannot open the sound device: %s\n", m_sound.lastError().c_str());
        return;
    }
    QObject::connect(m_form.get(), &Form1::programEnded, &m_app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    m_pump = std::make_unique<QtTimerPump>(m_instrument.timers());
    m_form->show();
    m_pump->start();
}

namespace {

std::int64_t clockNs(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

void raiseTo(std::atomic<std::int64_t>& worst, std::int64_t value) {
    if (value > worst.load(std::memory_order_relaxed))
        worst.store(value, std::memory_order_relaxed);
}

}  // namespace

CallbackStats::CallbackStats(modSynth_DX7& sound) : m_sound(sound) {
    m_sound.setCallbackProbe(this);
}

CallbackStats::~CallbackStats() { m_sound.setCallbackProbe(nullptr); }

void CallbackStats::periodStarted() noexcept {
    m_startNs = clockNs(CLOCK_MONOTONIC);
    m_startCpuNs = clockNs(CLOCK_THREAD_CPUTIME_ID);
}

void CallbackStats::periodMixed(const LoopMixer&, int frames) noexcept {
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    raiseTo(m_worstDurationNs, clockNs(CLOCK_MONOTONIC) - m_startNs);
    raiseTo(m_worstCpuNs, clockNs(CLOCK_THREAD_CPUTIME_ID) - m_startCpuNs);
    if (m_lastStartNs != 0) {
        const std::int64_t gap = m_startNs - m_lastStartNs;
        raiseTo(m_worstGapNs, gap);
        const std::int64_t periodNs = std::int64_t{frames} * 1'000'000'000 / kSampleRate;
        if (gap > 2 * periodNs) m_late.fetch_add(1, std::memory_order_relaxed);
    }
    m_lastStartNs = m_startNs;
}

CallbackStats::Figures CallbackStats::figures() const {
    return {m_callbacks.load(std::memory_order_relaxed), m_late.load(std::memory_order_relaxed),
            Nanos(m_worstDurationNs.load(std::memory_order_relaxed)),
            Nanos(m_worstCpuNs.load(std::memory_order_relaxed)),
            Nanos(m_worstGapNs.load(std::memory_order_relaxed))};
}

void CallbackStats::reset() {
    for (auto* figure : {&m_worstDurationNs, &m_worstCpuNs, &m_worstGapNs})
        figure->store(0, std::memory_order_relaxed);
    m_callbacks.store(0, std::memory_order_relaxed);
    m_late.store(0, std::memory_order_relaxed);
}

std::optional<int> countArgument(int argc, char** argv, int index, int fallback, int min, int max) {
    if (argc <= index) return fallback;
    char* end = nullptr;
    const long value = std::strtol(argv[index], &end, 10);
    if (end == argv[index] || *end != '\0' || value < min || value > max) return std::nullopt;
    return static_cast<int>(value);
}

void settle(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

DispatchLog::DispatchLog(Instrument& instrument, std::function<void(std::size_t)> onStepTick)
    : m_instrument(instrument), m_onStepTick(std::move(onStepTick)) {
    // Room for well over a minute, so that recording does not allocate while it measures.
    m_stepStarts.reserve(8192);
    m_stepLateness.reserve(8192);
    m_synthesisDurations.reserve(16384);
    const TimerService::Timer* step = &instrument.stepTimer();
    const TimerService::Timer* synthesis = &instrument.synthesisTimer();
    instrument.timers().setDispatchObserver(
        [this, step, synthesis](const TimerService::Dispatch& d) {
            if (d.timer == synthesis) {
                m_synthesisDurations.push_back(d.finished - d.started);
            } else if (d.timer == step) {
                m_stepStarts.push_back(d.started);
                m_stepLateness.push_back(d.started - d.deadline);
                if (m_onStepTick) m_onStepTick(m_stepStarts.size());
            }
        });
}

DispatchLog::~DispatchLog() { m_instrument.timers().setDispatchObserver({}); }

namespace {

double toMs(Nanos t) { return std::chrono::duration<double, std::milli>(t).count(); }

double toUs(Nanos t) { return std::chrono::duration<double, std::micro>(t).count(); }

}  // namespace

std::vector<double> DispatchLog::stepPeriodErrorsMs(Nanos interval) const {
    std::vector<double> errors;
    for (std::size_t i = 1; i < m_stepStarts.size(); ++i)
        errors.push_back(std::abs(toMs(m_stepStarts[i] - m_stepStarts[i - 1] - interval)));
    return errors;
}

std::vector<double> DispatchLog::stepLatenessMs() const {
    std::vector<double> lateness;
    for (Nanos late : m_stepLateness)
        lateness.push_back(toMs(late));
    return lateness;
}

std::vector<double> DispatchLog::synthesisDurationsUs() const {
    std::vector<double> durations;
    for (Nanos d : m_synthesisDurations)
        durations.push_back(toUs(d));
    return durations;
}

Summary summarize(std::vector<double> values) {
    Summary s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const auto rank = [&values](double p) {
        const auto n = static_cast<double>(values.size());
        const auto r = static_cast<std::size_t>(std::ceil(p * n));
        return values[std::clamp<std::size_t>(r, 1, values.size()) - 1];
    };
    s.count = values.size();
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(s.count);
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    s.max = values.back();
    return s;
}

double peakRssMiB() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // Linux counts in KiB
}

std::string describeSetup(const RunningProgram& program) {
    const char* driver = SDL_GetCurrentAudioDriver();
    std::string text = "window system " + QGuiApplication::platformName().toStdString() +
                       ", sound driver " + (driver ? driver : "none") + ", device period " +
                       std::to_string(program.sound().devicePeriodFrames()) + " frames";
    // Other work on the machine shows in every timing figure: say how busy it was.
    double load = 0;
    if (getloadavg(&load, 1) == 1) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, ", load average %.2f", load);
        text += buffer;
    }
    return text;
}

void FigureTable::add(std::string_view what, double value, std::string_view unit, int decimals,
                      std::string_view goal, std::optional<bool> met) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string shown = text;
    if (!unit.empty()) shown.append(" ").append(unit);
    m_rows.push_back({std::string(what), shown, std::string(goal), met});
}

bool FigureTable::print() const {
    std::printf("%s\n", m_title.c_str());
    std::printf("  %-40s %14s   %-22s %s\n", "figure", "value", "goal", "");
    int missed = 0;
    for (const Row& row : m_rows) {
        const char* verdict = !row.met ? "" : *row.met ? "ok" : "MISSED";
        if (row.met && !*row.met) ++missed;
        std::printf("  %-40s %14s   %-22s %s\n", row.what.c_str(), row.value.c_str(),
                    row.goal.c_str(), verdict);
    }
    if (missed == 0)
        std::printf("every goal met\n");
    else
        std::printf("%d goal(s) missed\n", missed);
    std::fflush(stdout);
    return missed == 0;
}

void addStepFigures(FigureTable& table, const DispatchLog& log, Nanos interval) {
    const Summary error = summarize(log.stepPeriodErrorsMs(interval));
    const Summary late = summarize(log.stepLatenessMs());
    table.add("step ticks", static_cast<double>(log.stepTicks()), "", 0);
    table.add("step period error, mean", error.mean, "ms", 3, "< 0.5 ms", error.mean < 0.5);
    table.add("step period error, 99th percentile", error.p99, "ms", 3, "< 2 ms", error.p99 < 2.0);
    table.add("step period error, max", error.max, "ms", 3);
    table.add("step tick lateness, mean", late.mean, "ms", 3);
    table.add("step tick lateness, 99th percentile", late.p99, "ms", 3);
    table.add("step tick lateness, max", late.max, "ms", 3);
}

}  // namespace tavrilo::bench
