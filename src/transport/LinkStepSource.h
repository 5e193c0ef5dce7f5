#pragma once

#include <cstdint>
#include <optional>

#include "common/Setting.h"
#include "sound/SoundPort.h"
#include "transport/LinkSession.h"
#include "transport/StepSource.h"
#include "transport/TimerService.h"

namespace tavrilo {

// Steps on an Ableton Link session's beat grid: step n of a start at beat n/4 (a sixteenth
// note), beat 0 on a bar. Start and stop go both ways: a peer's start starts the sequence, in
// phase; a session found playing on joining is joined by play here, on its next bar. The Speed
// slider shows the session's tempo as ms per step (15000 / bpm) and moving it sets the
// session's tempo.
//
// A step is heard on its beat: it is computed stepLead() early. Steps come from the timeline
// (timeAt), never from the displayed tempo. Steps missed
// by a stall are skipped, so the sequence stays in phase. UI thread only: the session's threads
// only wake the UI thread, which calls update().
class LinkStepSource final : public StepSource {
public:
    LinkStepSource(TimerService& timers, StepTransport& transport, LinkSession& session,
                   Setting& tempo, const SoundDevice& sound);

    // Joins at the Speed slider's tempo; a running sequence goes on, and alone it makes the
    // session's timeline. Leaving leaves the sequence running.
    void activate(const std::optional<StepTiming>& next) override;
    std::optional<StepTiming> deactivate() override;
    void requestPlay() override;
    void requestStop() override;
    void requestTempo(int msPerStep) override;

    // The session changed, or a step is due: follow it.
    void update();
    std::size_t peers() const { return m_session.peers(); }

    // How early a step is computed before its beat.
    Nanos lead() const;

private:
    void begin();
    void schedule();
    std::optional<int> sessionMs() const;  // the session's tempo as the slider shows it
    void showTempo();
    std::int64_t latestDueStep(Nanos now) const;
    Nanos beatTime(std::int64_t step) const;

    const Clock& m_clock;
    StepTransport& m_transport;
    LinkSession& m_session;
    Setting& m_tempo;
    const SoundDevice& m_sound;
    TimerService::Timer& m_alarm;
    bool m_active = false;
    bool m_following = false;  // the transport runs with the session
    Nanos m_joinedAt{0};       // a session playing since before is not a start to follow
    std::int64_t m_next = 0;   // the session's step that the next step() plays; 0 on beat 0
};

}  // namespace tavrilo
