#pragma once

// The synthesis tick's continue-on-error rule, without exceptions in the sample loop: each
// statement of the tick computes its value as a Checked and stores it through one of the
// assign* helpers below. A statement whose arithmetic fails, or whose value does not fit its
// target, is abandoned: the target keeps the value it had and the tick goes on.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace tavrilo {

// The value type and its functions live in their own namespace: argument-dependent lookup finds
// sin, cos, tan, Int and ln for Checked operands, while a plain sin(double) anywhere else in
// the program is never captured by them.
namespace checked {

// A double that remembers failure: a value that is not finite (infinite or NaN) has failed.
// A step that divides by zero, takes the logarithm of 0 or a negative number, or overflows
// yields such a value, and it stays non-finite through every later step: +, - and x of an
// infinity give an infinity or NaN, sin, cos and tan of either give NaN, and NaN survives
// everything. The one step that could turn a failure back into a finite number, division by
// an infinity (x / inf = 0), is failed explicitly. So a failure anywhere in an expression fails
// the whole statement: x / (10 * ln(0)) is x / -inf = -0 in plain doubles, but a failed value
// here.
class Checked {
public:
    // Implicit on purpose, so that literals and variables mix freely in expressions.
    Checked(double v) : m_v(v) {}  // NOLINT

    static Checked failed() { return Checked(std::numeric_limits<double>::quiet_NaN()); }
    bool ok() const { return std::isfinite(m_v); }
    double value() const { return m_v; }  // not finite when failed

    friend Checked operator+(Checked a, Checked b) { return a.m_v + b.m_v; }
    friend Checked operator-(Checked a, Checked b) { return a.m_v - b.m_v; }
    friend Checked operator*(Checked a, Checked b) { return a.m_v * b.m_v; }
    friend Checked operator/(Checked a, Checked b) {
        // Division by zero fails (0 / 0 included), and so does division by a failed value.
        return b.m_v != 0.0 && std::isfinite(b.m_v) ? Checked(a.m_v / b.m_v) : failed();
    }
    Checked operator-() const { return -m_v; }

private:
    double m_v;
};

// Functions of the tick's formulas. sin, cos and tan of a finite argument are finite, so only
// the logarithm has a failure of its own.
inline Checked sin(Checked v) { return std::sin(v.value()); }
inline Checked cos(Checked v) { return std::cos(v.value()); }
inline Checked tan(Checked v) { return std::tan(v.value()); }
// Int(v): the largest integer not above v, so Int(-0.5) = -1.
inline Checked Int(Checked v) { return std::floor(v.value()); }
// Natural logarithm; fails for 0 and negative numbers.
inline Checked ln(Checked v) {
    return v.value() > 0.0 ? Checked(std::log(v.value())) : Checked::failed();
}

}  // namespace checked

using checked::Checked;

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -0.5 -> 0). Adding and
// taking away 2^52 leaves no room for a fraction, so the addition itself rounds, and IEEE
// rounds to nearest, ties to even: the default mode, which this program never changes.
// Non-finite values come back unchanged.
inline double roundHalfEven(double v) {
    constexpr double kTwo52 = 4503599627370496.0;
    if (!(std::fabs(v) < kTwo52)) return v;  // already whole, or failed
    return v < 0.0 ? (v - kTwo52) + kTwo52 : (v + kTwo52) - kTwo52;
}

// Stores v as single precision. Fails when v failed or its magnitude exceeds FLT_MAX.
inline bool assignSingle(float& target, Checked v) {
    if (!(std::fabs(v.value()) <= static_cast<double>(FLT_MAX))) return false;  // NaN too
    target = static_cast<float>(v.value());
    return true;
}

namespace detail {
template <typename Int>
bool assignRounded(Int& target, Checked v) {
    const double r = roundHalfEven(v.value());
    if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          r <= static_cast<double>(std::numeric_limits<Int>::max())))
        return false;  // infinities and NaN too
    target = static_cast<Int>(r);
    return true;
}
}  // namespace detail

// Integer targets: v is rounded half to even first, then must fit the type. Nothing is ever
// clamped: a byte of 256 fails and leaves the old byte in place.
inline bool assignByte(std::uint8_t& target, Checked v) { return detail::assignRounded(target, v); }
inline bool assignInt16(std::int16_t& target, Checked v) {
    return detail::assignRounded(target, v);
}
inline bool assignInt32(std::int32_t& target, Checked v) {
    return detail::assignRounded(target, v);
}

// A call into another part of the program (sound port, meter drawing, clock) under the same
// rule: whatever it throws abandons that call alone. Free on the path that does not throw.
template <typename Call>
void continueOnError(Call&& call) noexcept {
    try {
        std::forward<Call>(call)();
    } catch (...) {
        // Abandoned without effect; the tick never reports failures.
    }
}

}  // namespace tavrilo
