#pragma once

#include "core/platform/FileLock.h"

#include <QString>
#include <QThread>

#include <future>
#include <thread>

// Another window saving to slow storage: the folder's lock held from a thread
// of its own, for holdMs or, with none given, until release().
class HeldLock {
public:
    explicit HeldLock(const QString &file, int holdMs = -1) : m_holdMs(holdMs) {
        std::promise<bool> locked;
        std::future<bool> had = locked.get_future();
        m_thread = std::thread([this, file, &locked] {
            core::FileLock lock;
            locked.set_value(lock.lock(file, 0));
            if (m_holdMs >= 0)
                QThread::msleep(m_holdMs);
            else
                m_released.get_future().wait();
        });
        m_locked = had.get();
    }
    ~HeldLock() {
        release();
        m_thread.join();
    }
    HeldLock(const HeldLock &) = delete;
    HeldLock &operator=(const HeldLock &) = delete;
    bool locked() const { return m_locked; }
    void release() {
        if (m_holdMs < 0 && !m_done) {
            m_done = true;
            m_released.set_value();
        }
    }

private:
    int m_holdMs;
    bool m_locked = false;
    bool m_done = false;
    std::promise<void> m_released;
    std::thread m_thread;
};
