#include "board/ScoreAddressing.h"

#include <cmath>
#include <limits>

namespace tavrilo {
namespace {

// Nearest integer, an exact half going to the even neighbour, saturated to int32. Done by hand
// rather than with the FPU rounding mode so that nothing outside can change the answer.
std::int32_t roundHalfEvenToInt32(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (v <= kMin) return std::numeric_limits<std::int32_t>::min();
    if (v >= kMax) return std::numeric_limits<std::int32_t>::max();
    double whole = std::floor(v);
    const double fraction = v - whole;  // exact: |v| < 2^31 leaves room in a double
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<std::int32_t>(whole);
}

}  // namespace

const std::array<Chalk, kChalks>& chalkTable() {
    using colors::chalks;
    static const std::array<Chalk, kChalks> table = {{
        {chalks[0], Row::Tone, 200},
        {chalks[1], Row::Osc1, 720},
        {chalks[2], Row::Osc2, 720},
        {chalks[3], Row::AM1, 50},
        {chalks[4], Row::FM, 50},
        {chalks[5], Row::VOL, 50},
        {chalks[6], Row::AM2, 50},
        {chalks[7], Row::Decay, 200},
        {chalks[8], Row::Atteck, 190},
    }};
    return table;
}

std::optional<Chalk> findChalk(ColorValue penColor) {
    for (const Chalk& chalk : chalkTable())
        if (chalk.color == penColor) return chalk;
    return std::nullopt;
}

std::int32_t columnOfX(float x) {
    // A float divided by 240 in double precision is never rounded onto a false half: the
    // quotient of a 24-bit mantissa by 240 keeps well clear of the 53-bit rounding step.
    return roundHalfEvenToInt32(static_cast<double>(x) / kColumnTwips);
}

std::int32_t drawnValue(float y, int divisor) {
    if (divisor <= 0) return 0;
    return roundHalfEvenToInt32(static_cast<double>(y)) / divisor;  // C++ truncates towards 0
}

}  // namespace tavrilo
