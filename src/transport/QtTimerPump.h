#pragma once

#include <QObject>
#include <QTimer>

#include "transport/TimerService.h"

namespace tavrilo {

// Drives a TimerService from the Qt event loop: one precise single-shot QTimer, always armed
// for the earliest deadline, so every tick is delivered on the UI thread.
class QtTimerPump : public QObject {
    Q_OBJECT
public:
    explicit QtTimerPump(TimerService& service, QObject* parent = nullptr);
    void start();
    void stop();

private:
    void rearm();
    void wake();

    TimerService& m_service;
    QTimer m_wakeup;
    bool m_running = false;
};

}  // namespace tavrilo
