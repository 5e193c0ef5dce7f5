#include "board/FreehandDrawing.h"

#include <algorithm>
#include <cstdint>

namespace tavrilo {

void FreehandDrawing::pickChalk(int swatch) {
    if (swatch < 0 || swatch >= kChalks) return;
    m_penColor = chalkTable()[static_cast<std::size_t>(swatch)].color;
}

void FreehandDrawing::beginStroke(int button, float x, float y) {
    if (button != kLeftButton) return;
    m_penDown = true;
    m_position = {x, y};
}

std::optional<Segment> FreehandDrawing::moveStroke(int /*button*/, float x, float y,
                                                   int currentStep) {
    if (!m_penDown) return std::nullopt;

    const Segment segment{m_position, {x, y}, m_penColor};
    m_position = {x, y};

    m_stepCursor = std::clamp<std::int32_t>(columnOfX(x), kCursorMin, kCursorMax);

    if (const auto chalk = findChalk(m_penColor)) {
        const int step = addressedStep(m_mode, currentStep, m_stepCursor);
        // The cell write clamps the value to the row's range and ignores a step off the score.
        m_score.setCell(chalk->row, step, drawnValue(y, chalk->divisor));
    }
    return segment;
}

void FreehandDrawing::endStroke(int button) {
    if (button == kLeftButton) m_penDown = false;
}

}  // namespace tavrilo
