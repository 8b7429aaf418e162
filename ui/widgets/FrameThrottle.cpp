#include "ui/widgets/FrameThrottle.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace ui {

// The frame clock of the window's thread.
class FrameClock {
public:
    static FrameClock &instance() {
        static FrameClock clock;
        return clock;
    }

    void request(FrameThrottle *throttle) {
        m_due.push_back(throttle);
        const qint64 since = m_lastFrame.isValid() ? m_lastFrame.elapsed() : kFrameMs;
        if (since >= kFrameMs) {
            if (!m_frameEnd.isActive() || m_frameEnd.remainingTime() > 0)
                m_frameEnd.start(0);
        } else if (!m_frameEnd.isActive()) {
            m_frameEnd.start(int(2 * kFrameMs - since));
        }
    }

    void forget(FrameThrottle *throttle) {
        std::erase(m_due, throttle);
        std::replace(m_running.begin(), m_running.end(), throttle, static_cast<FrameThrottle *>(nullptr));
    }

private:
    FrameClock() {
        m_frameEnd.setSingleShot(true);
        m_frameEnd.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_frameEnd, &QTimer::timeout, [this] { frame(); });
    }

    void frame() {
        m_lastFrame.start();
        // An action may ask for the next frame already, or end a throttle
        // still waiting in this one.
        m_running = std::exchange(m_due, {});
        for (size_t i = 0; i < m_running.size(); ++i) {
            if (FrameThrottle *throttle = m_running[i]) {
                throttle->m_requested = false;
                throttle->m_action();
            }
        }
        m_running.clear();
    }

    QTimer m_frameEnd;
    QElapsedTimer m_lastFrame;
    std::vector<FrameThrottle *> m_due;
    std::vector<FrameThrottle *> m_running;
};

FrameThrottle::FrameThrottle(std::function<void()> action) : m_action(std::move(action)) {}

FrameThrottle::~FrameThrottle() {
    if (m_requested)
        FrameClock::instance().forget(this);
}

void FrameThrottle::request() {
    if (m_requested)
        return;
    m_requested = true;
    FrameClock::instance().request(this);
}

} // namespace ui
