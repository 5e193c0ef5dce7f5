#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "common/Color.h"
#include "panels/StepParameterSet.h"

namespace tavrilo {

// How a point of the drawing board addresses the score. Board coordinates are twips inside the
// board's border, origin top left, Y downwards; the chalk colour chooses the row, X (or the
// play position) the step, Y the value.

// One chalk of the palette: pen colour (0xBBGGRR), the row it writes and the divisor that
// scales board Y to that row's values.
struct Chalk {
    ColorValue color;
    Row row;
    int divisor;
};

inline constexpr int kChalks = static_cast<int>(colors::chalks.size());
inline constexpr int kColumnTwips = 240;  // width of one step column on the board

// The nine chalks, indexed by the number of the palette swatch `lblcolor`(i) that carries each.
const std::array<Chalk, kChalks>& chalkTable();

// The chalk whose colour is `penColor`; nothing for a colour that is no chalk.
std::optional<Chalk> findChalk(ColorValue penColor);

// X / 240 to the nearest whole number, halves to the even neighbour: step i is centred on
// X = 240 * i. Far outside the board the result saturates at the int32 limits; NaN gives 0.
std::int32_t columnOfX(float x);

// Y to the nearest whole number (halves to even, saturating at the int32 limits, NaN as 0),
// then divided by `divisor` dropping the remainder towards zero: a Y strictly between -d and d
// gives 0. `divisor` must be positive; anything else gives 0.
std::int32_t drawnValue(float y, int divisor);

// The option pair `optraw`: "1" writes at the step the step clock plays next, "2" at the step
// cursor `Sliderdraw`, i.e. the column under the pointer.
enum class AddressingMode : int { PlayStep = 1, CursorStep = 2 };

constexpr int addressedStep(AddressingMode mode, int currentStep, int stepCursor) {
    return mode == AddressingMode::PlayStep ? currentStep : stepCursor;
}

}  // namespace tavrilo
