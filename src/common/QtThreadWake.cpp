#include "common/QtThreadWake.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace tavrilo {

QtThreadWake::QtThreadWake(std::function<void()> onWake, QObject* parent)
    : QObject(parent), m_onWake(std::move(onWake)), m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_fd < 0) throw std::runtime_error("cannot make an eventfd");
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QtThreadWake::woken);
}

QtThreadWake::~QtThreadWake() {
    m_notifier.reset();
    ::close(m_fd);
}

void QtThreadWake::wake() noexcept {
    if (m_pending.exchange(true, std::memory_order_acq_rel)) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(m_fd, &one, sizeof one);
}

void QtThreadWake::woken() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto n = ::read(m_fd, &count, sizeof count);
    // Cleared before the call, so a change made while it runs wakes the loop again; acquiring
    // here sees whatever the threads that merged their wakes into this one wrote before.
    m_pending.exchange(false, std::memory_order_acq_rel);
    m_onWake();
}

}  // namespace tavrilo
