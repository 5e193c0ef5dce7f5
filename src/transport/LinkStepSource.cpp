#include "transport/LinkStepSource.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "transport/TransportSettings.h"

namespace tavrilo {
namespace {

constexpr double kStepsPerBeat = 4.0;  // a step is a sixteenth note
constexpr std::int64_t kStepsPerBar =
    static_cast<std::int64_t>(LinkSession::kQuantum * kStepsPerBeat);
constexpr double kMsPerMinutePerStep = 60'000.0 / kStepsPerBeat;  // ms per step = this / bpm
// A step due at time t must not be missed for a rounding error in the timeline's arithmetic.
constexpr double kStepEpsilon = 1e-6;

}  // namespace

LinkStepSource::LinkStepSource(TimerService& timers, StepTransport& transport, LinkSession& session,
                               Setting& tempo, const SoundDevice& sound)
    : m_clock(timers.clock()),
      m_transport(transport),
      m_session(session),
      m_tempo(tempo),
      m_sound(sound),
      m_alarm(timers.create(0, false, [this] { update(); })) {}

Nanos LinkStepSource::lead() const { return stepLead(m_sound); }

void LinkStepSource::activate(const std::optional<StepTiming>& next) {
    m_session.join(kMsPerMinutePerStep / m_tempo.value());
    m_joinedAt = m_clock.now();
    m_active = true;
    if (next && m_transport.running()) {
        // Alone so far, so the session takes this sequence's timeline: the next step where it
        // was due, and the steps' bar lines where step 0's are.
        m_next = m_transport.currentStep();
        m_session.setPlaying(true, next->heard, static_cast<double>(m_next) / kStepsPerBeat);
        m_following = true;
    }
    update();
}

std::optional<StepTiming> LinkStepSource::deactivate() {
    std::optional<StepTiming> next;
    if (m_following) next = StepTiming{beatTime(m_next), beatTime(m_next + 1) - beatTime(m_next)};
    m_active = false;
    m_following = false;
    m_alarm.setEnabled(false);
    m_session.leave();
    return next;
}

void LinkStepSource::requestPlay() {
    if (!m_active) return;
    // The start is as soon as its first step can be heard on time.
    m_session.setPlaying(true, m_clock.now() + lead());
    m_following = false;  // play again starts again, from step 0 on the next bar in phase
    update();
}

void LinkStepSource::requestStop() {
    if (!m_active) return;
    m_session.setPlaying(false, m_clock.now());
    update();
}

void LinkStepSource::requestTempo(int msPerStep) {
    // The slider shows the session's tempo: only a move away from it is the user's, and a
    // session tempo that rounds to the same ms is never pushed back at the session.
    if (!m_active || msPerStep == sessionMs()) return;
    m_session.setTempo(kMsPerMinutePerStep / msPerStep, m_clock.now());
    update();
}

void LinkStepSource::update() {
    if (!m_active) return;
    showTempo();
    const bool sessionPlays = m_session.playing();
    if (sessionPlays && !m_following && m_session.playingSince() >= m_joinedAt) {
        begin();
    } else if (!sessionPlays && m_following) {
        m_following = false;
        m_alarm.setEnabled(false);
        m_transport.stop();
    }
    if (m_following) schedule();
}

void LinkStepSource::begin() {
    m_session.mapBeatZeroToStart();
    m_transport.play();
    m_following = true;
    // A start seen within its first step plays step 0 at once (late, as alone it always is by the
    // lead); one seen later (Link turned on in a playing session) starts on the next bar.
    const std::int64_t due = latestDueStep(m_clock.now());
    m_next = due <= 0 ? 0 : (due + kStepsPerBar - 1) / kStepsPerBar * kStepsPerBar;
}

void LinkStepSource::schedule() {
    const Nanos now = m_clock.now();
    const std::int64_t due = latestDueStep(now);
    if (m_next - due > kStepsPerBar) m_next = due + 1;  // the timeline went back: pick up from here
    if (due >= m_next) {
        constexpr std::int64_t kMostSkipped = 1 << 20;  // beyond a stall: the timeline jumped
        if (due > m_next) m_transport.skip(static_cast<int>(std::min(due - m_next, kMostSkipped)));
        const Nanos heard = beatTime(due);
        m_next = due + 1;
        m_transport.step({heard, beatTime(m_next) - heard});
    }
    m_alarm.fireAt(beatTime(m_next) - lead());
}

std::int64_t LinkStepSource::latestDueStep(Nanos now) const {
    return static_cast<std::int64_t>(
        std::floor(m_session.beatAt(now + lead()) * kStepsPerBeat + kStepEpsilon));
}

Nanos LinkStepSource::beatTime(std::int64_t step) const {
    return m_session.timeAt(static_cast<double>(step) / kStepsPerBeat);
}

std::optional<int> LinkStepSource::sessionMs() const {
    const double bpm = m_session.tempo();
    if (!std::isfinite(bpm) || bpm <= 0) return std::nullopt;  // the network's word: not trusted
    const double ms = kMsPerMinutePerStep / bpm;
    return static_cast<int>(std::lround(std::clamp(ms, double{kMinTempoMs}, double{kMaxTempoMs})));
}

void LinkStepSource::showTempo() {
    if (const auto ms = sessionMs()) m_tempo.set(*ms);
}

}  // namespace tavrilo
