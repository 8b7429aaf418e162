#include "ui/FrameThrottle.h"

FrameThrottle::FrameThrottle(std::function<void()> action) : m_action(std::move(action)) {
    m_frameEnd.setSingleShot(true);
    QObject::connect(&m_frameEnd, &QTimer::timeout, [this] { run(); });
}

void FrameThrottle::request() {
    if (m_frameEnd.isActive())
        return;
    const qint64 since = m_lastRun.isValid() ? m_lastRun.elapsed() : kFrameMs;
    if (since >= kFrameMs)
        run();
    else
        m_frameEnd.start(int(kFrameMs - since));
}

void FrameThrottle::run() {
    m_lastRun.start();
    m_action();
}
