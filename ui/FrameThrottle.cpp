#include "ui/FrameThrottle.h"

#include <algorithm>

FrameThrottle::FrameThrottle(std::function<void()> action, int periodMs)
    : m_action(std::move(action)), m_periodMs(periodMs) {
    m_frameEnd.setSingleShot(true);
    QObject::connect(&m_frameEnd, &QTimer::timeout, [this] { run(); });
}

void FrameThrottle::request() {
    if (m_frameEnd.isActive())
        return;
    const qint64 since = m_lastRun.isValid() ? m_lastRun.elapsed() : m_periodMs;
    m_frameEnd.start(int(std::max<qint64>(m_periodMs - since, 0)));
}

void FrameThrottle::run() {
    m_lastRun.start();
    m_action();
}
