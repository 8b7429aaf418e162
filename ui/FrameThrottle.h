#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// How often at most the window redraws what streams in: the log view's new
// rows and the receive readouts. Faster than the eye needs; slower than a
// flood of bytes, which would otherwise repaint the window on every read.
constexpr int kFrameMs = 20;

// Runs an action from the event loop at most once per period (a frame unless
// told otherwise): on the loop's next turn when it last ran a period or more
// ago, otherwise when that period ends. Never inside request(), so it may be
// asked for from within a change the action would disturb. The action works
// on the current state, so the last request of a period is never lost, only
// merged.
class FrameThrottle {
public:
    explicit FrameThrottle(std::function<void()> action, int periodMs = kFrameMs);

    void request();
    // Lives as long as the throttle: the context for connections that
    // request it, so none outlives it.
    QObject *context() { return &m_frameEnd; }

private:
    void run();

    std::function<void()> m_action;
    int m_periodMs;
    QElapsedTimer m_lastRun;
    QTimer m_frameEnd;
};
