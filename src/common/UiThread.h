#pragma once

#include <cassert>
#include <thread>

namespace tavrilo {

// Remembers the thread that made its owner, and in debug builds stops the program when an entry
// point meant for that thread (the UI thread) is called from another one.
class UiThreadAffinity {
public:
    void check() const {
        assert(std::this_thread::get_id() == m_owner && "called off the UI thread");
    }

private:
    std::thread::id m_owner = std::this_thread::get_id();
};

}  // namespace tavrilo
