#pragma once

#include "core/platform/LineCalls.h"

#include <atomic>
#include <functional>
#include <thread>

namespace core {

// Waits for the input lines of a device in a thread of its own (TIOCMIWAIT),
// so that lamps follow the lines at no cost while nothing changes: no timer
// wakes the program. changed() is called from that thread after each change;
// the thread ends by itself where the device cannot tell (a pseudo-terminal)
// and is interrupted by a signal on stop().
class InputLineWaiter {
public:
    InputLineWaiter() = default;
    ~InputLineWaiter() { stop(); }
    InputLineWaiter(const InputLineWaiter &) = delete;
    InputLineWaiter &operator=(const InputLineWaiter &) = delete;

    void start(LineCalls &calls, int fd, std::function<void()> changed);
    // Returns once the thread has ended.
    void stop();
    bool running() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
};

} // namespace core
