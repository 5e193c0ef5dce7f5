#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <atomic>
#include <functional>
#include <memory>

#include "common/ThreadWake.h"

namespace tavrilo {

// A ThreadWake for the Qt event loop: an eventfd that the loop watches, so a wake from another
// thread is one write(2) there and one call of `onWake` on the UI thread.
class QtThreadWake final : public QObject, public ThreadWake {
    Q_OBJECT
public:
    explicit QtThreadWake(std::function<void()> onWake, QObject* parent = nullptr);
    ~QtThreadWake() override;
    QtThreadWake(const QtThreadWake&) = delete;
    QtThreadWake& operator=(const QtThreadWake&) = delete;

    void wake() noexcept override;  // any thread

private:
    void woken();

    std::function<void()> m_onWake;
    int m_fd = -1;
    std::atomic<bool> m_pending{false};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tavrilo
