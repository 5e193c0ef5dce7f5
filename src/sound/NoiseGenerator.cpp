#include "sound/NoiseGenerator.h"

#include <bit>

namespace tavrilo {

std::uint32_t NoiseGenerator::seedFrom(double x) {
    std::uint64_t z = std::bit_cast<std::uint64_t>(x);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<std::uint32_t>(z >> 40);  // the best-mixed 24 bits
}

double NoiseGenerator::next(double x) {
    if (x < 0.0) {
        m_state = seedFrom(x);
    } else if (!(x > 0.0)) {
        return last();  // 0 or NaN: repeat
    }
    m_state = (kMultiplier * m_state + kIncrement) & kStateMask;
    return last();
}

}  // namespace tavrilo
