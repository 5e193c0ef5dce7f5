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

std::vector<Segment> FreehandDrawing::scoreOutline() const {
    // A value v covers the heights v * d to (v + 1) * d. A point 45 twips (three board pixels)
    // into that band, or its middle when the band is narrower, survives the rounding to whole
    // pixels either way, and keeps the bottom band of Tone, a rest, on the board.
    const auto place = [](int step, int value, int divisor) {
        return BoardPoint{static_cast<float>(kColumnTwips * step),
                          static_cast<float>(value * divisor + std::min(divisor / 2, 45))};
    };
    std::vector<Segment> segments;
    segments.reserve(kChalks * (kSteps - 1));
    // The first chalks are the most played: drawn last, they lie on top where lines cross.
    for (int swatch = kChalks - 1; swatch >= 0; --swatch) {
        const Chalk& chalk = chalkTable()[static_cast<std::size_t>(swatch)];
        for (int step = 1; step < kSteps; ++step)
            segments.push_back({place(step - 1, m_score.cell(chalk.row, step - 1), chalk.divisor),
                                place(step, m_score.cell(chalk.row, step), chalk.divisor),
                                chalk.color});
    }
    return segments;
}

void FreehandDrawing::endStroke(int button) {
    if (button == kLeftButton) m_penDown = false;
}

}  // namespace tavrilo
