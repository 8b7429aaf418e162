#include "core/platform/InputLineWaiter.h"

#include <chrono>
#include <csignal>
#include <pthread.h>

namespace core {

namespace {

// The signal that interrupts the wait; its handler does nothing, and it is
// installed without SA_RESTART so that the blocked call returns EINTR.
int wakeSignal() { return SIGRTMIN + 1; }

void installWakeHandler() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        return ::sigaction(wakeSignal(), &action, nullptr) == 0;
    }();
    (void)installed;
}

} // namespace

void InputLineWaiter::start(LineCalls &calls, int fd, std::function<void()> changed) {
    stop();
    installWakeHandler();
    m_stop = false;
    m_ended = false;
    m_thread = std::thread([this, &calls, fd, changed = std::move(changed)] {
        while (!m_stop && calls.waitInputChange(fd, m_stop)) {
            if (!m_stop)
                changed();
        }
        m_ended = true;
    });
}

void InputLineWaiter::stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    // A signal sent just before the thread entered its wait is missed: it is
    // sent again until the thread has ended.
    while (!m_ended) {
        ::pthread_kill(m_thread.native_handle(), wakeSignal());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_thread.join();
}

} // namespace core
