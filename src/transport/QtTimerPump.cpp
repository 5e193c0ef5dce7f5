#include "transport/QtTimerPump.h"

#include <algorithm>
#include <chrono>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace tavrilo {

QtTimerPump::QtTimerPump(TimerService& service, QObject* parent)
    : QObject(parent), m_service(service) {
#ifdef __linux__
    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_timerFd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &QtTimerPump::wake);
    }
#endif
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, &QtTimerPump::wake);
    m_deadlinesMoved = m_service.deadlinesMoved.connect([this] { rearm(); });
}

QtTimerPump::~QtTimerPump() {
    m_deadlinesMoved.reset();
    m_notifier.reset();
#ifdef __linux__
    if (m_timerFd >= 0) ::close(m_timerFd);
#endif
}

void QtTimerPump::start() {
    m_running = true;
    rearm();
}

void QtTimerPump::stop() {
    m_running = false;
    disarm();
}

void QtTimerPump::wake() {
#ifdef __linux__
    if (m_timerFd >= 0) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto n = ::read(m_timerFd, &expirations, sizeof expirations);
    }
#endif
    if (m_running) m_service.dispatchDue();  // re-arms through the schedule listener
}

void QtTimerPump::rearm() {
    if (!m_running) return;
    if (const auto deadline = m_service.nextDeadline())
        armAfter(*deadline - m_service.clock().now());
    else
        disarm();
}

void QtTimerPump::armAfter(Nanos wait) {
    // A timer whose deadline has passed is due at once: the shortest wait still wakes the loop.
    wait = std::max(wait, Nanos{1});
#ifdef __linux__
    if (m_timerFd >= 0) {
        itimerspec spec{};
        spec.it_value.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
        spec.it_value.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        ::timerfd_settime(m_timerFd, 0, &spec, nullptr);
        return;
    }
#endif
    // Qt timers count in whole milliseconds: round up so that a wake-up is never early.
    m_fallback.start(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
}

void QtTimerPump::disarm() {
#ifdef __linux__
    if (m_timerFd >= 0) {
        const itimerspec off{};
        ::timerfd_settime(m_timerFd, 0, &off, nullptr);
    }
#endif
    m_fallback.stop();
}

}  // namespace tavrilo
