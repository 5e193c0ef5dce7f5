#pragma once

#include <optional>
#include <vector>

#include "board/ScoreAddressing.h"
#include "common/Color.h"
#include "panels/StepParameterSet.h"

namespace tavrilo {

// A point on the board, in twips inside the border, as the mouse events deliver it.
struct BoardPoint {
    float x = 0;
    float y = 0;
    friend bool operator==(const BoardPoint&, const BoardPoint&) = default;
};

// A straight segment the board has to draw, one pixel wide, in `color`.
struct Segment {
    BoardPoint from;
    BoardPoint to;
    ColorValue color = 0;
    friend bool operator==(const Segment&, const Segment&) = default;
};

// The drawing state of the board and its three mouse handlers. A left-button stroke writes one
// score cell per move: the pen colour chooses the row, the column under the pointer (mode "2")
// or the step the clock plays next (mode "1") the step, the height the value. The picture
// itself is the widget's business: a move hands back the segment to draw. UI thread only.
class FreehandDrawing {
public:
    // Mouse button flags as the handlers receive them.
    static constexpr int kLeftButton = 1;
    static constexpr int kRightButton = 2;
    static constexpr int kMiddleButton = 4;
    // The step cursor is a slider 0..31: columns off the board land on its ends.
    static constexpr int kCursorMin = 0;
    static constexpr int kCursorMax = kSteps - 1;

    explicit FreehandDrawing(StepParameterSet& score) : m_score(score) {}

    // A palette swatch 0..8 was clicked: its chalk becomes the pen. Other numbers change nothing.
    void pickChalk(int swatch);
    ColorValue penColor() const { return m_penColor; }
    // Start-up sets the pen colour directly (white).
    void setPenColor(ColorValue color) { m_penColor = color; }

    AddressingMode mode() const { return m_mode; }
    void setMode(AddressingMode mode) { m_mode = mode; }

    // The step cursor (the slider `Sliderdraw`): the column of the last point drawn, clamped to
    // 0..31.
    int stepCursor() const { return m_stepCursor; }

    bool penDown() const { return m_penDown; }
    // Start of the next segment.
    BoardPoint position() const { return m_position; }

    // Only the left button (exactly 1) puts the pen down; a press draws nothing by itself.
    void beginStroke(int button, float x, float y);
    // With the pen down: moves the drawing position to (x, y), sets the step cursor, writes at
    // most one cell, and returns the segment to draw. Mode "1" writes at `currentStep`, the step
    // the step clock plays next. The button is not consulted: the pen alone decides. With the pen
    // up nothing happens.
    std::optional<Segment> moveStroke(int button, float x, float y, int currentStep);
    // Only the left button lifts the pen.
    void endStroke(int button);

    // "new": the board is cleared and the drawing position returns to (0, 0).
    void clearPosition() { m_position = {}; }

    // The score as chalk would draw it: each row a line in its chalk's colour through its 32
    // values, each at its step's column and at a height that a stroke in mode "2" turns back into
    // that value. Values below the board's edge lie off it, as they would for a stroke.
    std::vector<Segment> scoreOutline() const;

private:
    StepParameterSet& m_score;

    ColorValue m_penColor = colors::white;
    bool m_penDown = false;
    BoardPoint m_position{};
    int m_stepCursor = 0;
    AddressingMode m_mode = AddressingMode::CursorStep;
};

}  // namespace tavrilo
