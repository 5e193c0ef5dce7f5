#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QUndoStack>
#include <cstddef>

#include "common/Signal.h"
#include "panels/ScoreDiff.h"

namespace tavrilo {

class DrawingBoard;
class Instrument;

// The undo history: one step per user gesture that changes the score or the board's picture. A
// gesture runs from beginGesture() to endGesture() (a stroke from press to release, a slider
// from press to release, a button's click); a score change outside any gesture is a step of its
// own (a slider moved by a key). A step keeps only what its gesture changed: the cells with
// their values before and after, and the rectangle of the board it painted, as it was before.
// Taking a step back writes the cells and pixels back; the panels' sliders follow, and the step
// clock plays the restored values from its next step on. Tempo and "Expand" are not score: only
// a gesture begun with them (a pasted tune) takes them back too.
//
// At most kMaxSteps steps; a step's pixels take at most about 81 KiB (BoardPatch), so the whole
// history stays under 16 MiB.
class EditHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 200;

    EditHistory(Instrument& instrument, DrawingBoard& board, QObject* parent = nullptr);
    ~EditHistory() override;

    void beginGesture(bool withTransportSettings = false);
    void endGesture();
    bool inGesture() const { return m_depth > 0; }

    // Both do nothing in the middle of a gesture, or when there is nothing to take back or do
    // again.
    void undo();
    void redo();

    int steps() const { return m_stack.count(); }
    std::size_t bytes() const { return m_bytes; }

private:
    class Step;
    struct Transport {
        int tempo, expand1, expand2;
        bool operator==(const Transport&) const = default;
    };
    Transport transport() const;
    void setTransport(const Transport& values);
    void commit(bool withTransport);
    void apply(Step& step, bool forward);

    Instrument& m_instrument;
    DrawingBoard& m_board;
    QUndoStack m_stack;
    ScoreRecorder m_recorder;
    std::size_t m_bytes = 0;  // of the steps in the stack
    int m_depth = 0;
    bool m_withTransport = false;  // of the gesture under way
    Transport m_transportBefore{};
    QImage m_before;  // the picture when the gesture began
    QRect m_painted;  // what the gesture painted, in picture pixels
    Subscription m_cellChanged;
    Subscription m_lengthChanged;
};

}  // namespace tavrilo
