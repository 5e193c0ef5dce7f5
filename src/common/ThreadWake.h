#pragma once

namespace tavrilo {

// Wakes the UI thread from any thread (Link's, MIDI's): no lock, no allocation, no Qt, so that
// real-time and network threads may call it. Wakes that come while one is pending merge into
// it; the UI thread then looks at everything that changed.
class ThreadWake {
public:
    virtual ~ThreadWake() = default;
    virtual void wake() noexcept = 0;
};

}  // namespace tavrilo
