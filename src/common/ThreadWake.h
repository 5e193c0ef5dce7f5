#pragma once

namespace tavrilo {

// Tells the UI thread that something waits for it (MIDI events in a queue). wake() may be called
// from any thread, a real-time one included: it takes no lock and allocates nothing, and several
// wake() calls before the UI thread looks may come as one wake-up.
class ThreadWake {
public:
    virtual ~ThreadWake() = default;
    virtual void wake() noexcept = 0;
};

}  // namespace tavrilo
