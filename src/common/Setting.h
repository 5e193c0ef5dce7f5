#pragma once

#include <algorithm>

#include "common/Signal.h"

namespace tavrilo {

// An integer with a fixed range, as a slider holds it: writes are clamped to the range, and
// `changed` tells of every value that really changes, after it changed. UI thread only.
class Setting {
public:
    Setting(int min, int max, int value)
        : m_min(min), m_max(max), m_value(std::clamp(value, min, max)) {}

    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    void set(int value) {
        value = std::clamp(value, m_min, m_max);
        if (value == m_value) return;
        m_value = value;
        changed(value);
    }

    Signal<int> changed;

private:
    int m_min;
    int m_max;
    int m_value;
};

}  // namespace tavrilo
