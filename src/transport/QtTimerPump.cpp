#include "transport/QtTimerPump.h"

#include <algorithm>
#include <chrono>

namespace tavrilo {

QtTimerPump::QtTimerPump(TimerService& service, QObject* parent)
    : QObject(parent), m_service(service) {
    m_wakeup.setSingleShot(true);
    m_wakeup.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeup, &QTimer::timeout, this, &QtTimerPump::wake);
    m_service.setScheduleListener([this] { rearm(); });
}

void QtTimerPump::start() {
    m_running = true;
    rearm();
}

void QtTimerPump::stop() {
    m_running = false;
    m_wakeup.stop();
}

void QtTimerPump::wake() {
    m_service.dispatchDue();  // re-arms through the schedule listener
}

void QtTimerPump::rearm() {
    if (!m_running) return;
    const auto deadline = m_service.nextDeadline();
    if (!deadline) {
        m_wakeup.stop();
        return;
    }
    // Qt timers count in whole milliseconds: round the wait up so that a wake-up is never early.
    const Nanos wait = std::max(*deadline - m_service.clock().now(), Nanos{0});
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    m_wakeup.start(static_cast<int>(ms));
}

}  // namespace tavrilo
