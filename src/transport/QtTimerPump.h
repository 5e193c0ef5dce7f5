#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "transport/TimerService.h"

namespace tavrilo {

// Drives a TimerService from the Qt event loop, so every tick is delivered on the UI thread:
// one wake-up, always armed for the earliest deadline. On Linux the wake-up is a timerfd
// watched by the event loop, exact to the microsecond; elsewhere a precise QTimer, which counts
// in whole milliseconds and so wakes up to a millisecond late.
class QtTimerPump : public QObject {
    Q_OBJECT
public:
    explicit QtTimerPump(TimerService& service, QObject* parent = nullptr);
    ~QtTimerPump() override;
    void start();
    void stop();

private:
    void rearm();
    void wake();
    void armAfter(Nanos wait);
    void disarm();

    TimerService& m_service;
    Subscription m_deadlinesMoved;
    bool m_running = false;
    int m_timerFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_fallback;
};

}  // namespace tavrilo
