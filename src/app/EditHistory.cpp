#include "app/EditHistory.h"

#include <optional>
#include <utility>

#include "app/Instrument.h"
#include "board/BoardPatch.h"
#include "board/DrawingBoard.h"

namespace tavrilo {

class EditHistory::Step final : public QUndoCommand {
public:
    Step(EditHistory& history, ScoreDiff diff, std::optional<BoardPatch> patch,
         std::optional<std::pair<Transport, Transport>> transport)
        : m_history(history),
          m_diff(std::move(diff)),
          m_patch(std::move(patch)),
          m_transport(transport) {
        m_history.m_bytes += bytes();
    }
    ~Step() override { m_history.m_bytes -= bytes(); }

    void undo() override { m_history.apply(*this, false); }
    void redo() override {
        // The stack does a step as it takes it; this one has been done by its gesture.
        if (!std::exchange(m_pushed, true)) return;
        m_history.apply(*this, true);
    }
    std::size_t bytes() const {
        return sizeof(*this) + m_diff.bytes() + (m_patch ? m_patch->bytes() : 0);
    }

    EditHistory& m_history;
    ScoreDiff m_diff;
    std::optional<BoardPatch> m_patch;
    std::optional<std::pair<Transport, Transport>> m_transport;  // before, after
    bool m_pushed = false;
};

EditHistory::EditHistory(Instrument& instrument, DrawingBoard& board, QObject* parent)
    : QObject(parent), m_instrument(instrument), m_board(board), m_recorder(instrument.score()) {
    m_stack.setUndoLimit(kMaxSteps);
    // Subscribed after the recorder, so a change is recorded before it is committed.
    const auto single = [this] {
        if (m_depth == 0) commit(false);
    };
    m_cellChanged = instrument.score().cellChanged.connect([single](auto&) { single(); });
    m_lengthChanged = instrument.score().lengthChanged.connect([single](auto&) { single(); });
    connect(&board, &DrawingBoard::painted, this,
            [this](const QRect& rect) { m_painted |= m_depth > 0 ? rect : QRect(); });
}

EditHistory::~EditHistory() {
    m_cellChanged.reset();
    m_lengthChanged.reset();
    m_stack.clear();
}

EditHistory::Transport EditHistory::transport() const {
    const TransportSettings& s = m_instrument.settings();
    return {s.tempo.value(), s.expand1.value(), s.expand2.value()};
}

void EditHistory::setTransport(const Transport& values) {
    TransportSettings& s = m_instrument.settings();
    if (m_instrument.ownsTempo()) s.tempo.set(values.tempo);
    s.expand1.set(values.expand1);
    s.expand2.set(values.expand2);
}

void EditHistory::beginGesture(bool withTransportSettings) {
    if (m_depth++ > 0) return;
    m_withTransport = withTransportSettings;
    m_transportBefore = transport();
    m_before = m_board.picture().copy();
    m_painted = {};
}

void EditHistory::endGesture() {
    if (m_depth == 0 || --m_depth > 0) return;
    commit(m_withTransport);
    m_before = {};
}

void EditHistory::commit(bool withTransport) {
    std::optional<BoardPatch> patch;
    if (!m_painted.isEmpty()) patch.emplace(m_before, m_painted);
    std::optional<std::pair<Transport, Transport>> settings;
    if (withTransport && transport() != m_transportBefore)
        settings.emplace(m_transportBefore, transport());
    m_painted = {};
    if (m_recorder.empty() && !patch && !settings) return;
    m_stack.push(new Step(*this, m_recorder.take(), std::move(patch), settings));
}

void EditHistory::apply(Step& step, bool forward) {
    m_recorder.pause(true);
    m_bytes -= step.bytes();
    forward ? step.m_diff.redo(m_instrument.score()) : step.m_diff.undo(m_instrument.score());
    if (step.m_patch) m_board.swap(*step.m_patch);
    if (step.m_transport)
        setTransport(forward ? step.m_transport->second : step.m_transport->first);
    m_bytes += step.bytes();
    m_recorder.pause(false);
}

void EditHistory::undo() {
    if (m_depth == 0) m_stack.undo();
}

void EditHistory::redo() {
    if (m_depth == 0) m_stack.redo();
}

}  // namespace tavrilo
