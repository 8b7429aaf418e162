#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// How often at most the window redraws what streams in: the log view's new
// rows and the receive readouts. Faster than the eye needs; slower than a
// flood of bytes, which would otherwise repaint the window on every read.
constexpr int kFrameMs = 20;

// Runs an action at most once per frame: at once when it last ran a frame or
// more ago, otherwise when that frame ends. The action shows the current
// state, so the last request of a frame is never lost, only merged.
class FrameThrottle {
public:
    explicit FrameThrottle(std::function<void()> action);

    void request();

private:
    void run();

    std::function<void()> m_action;
    QElapsedTimer m_lastRun;
    QTimer m_frameEnd;
};
