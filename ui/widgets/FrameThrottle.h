#pragma once

#include <functional>

namespace ui {

// How often at most the window redraws what streams in: the log view's new
// rows and the readouts. Faster than the eye needs; slower than a flood of
// bytes or fast periodic sending, which would otherwise repaint the window on
// every read or send.
constexpr int kFrameMs = 20;

// Runs an action from the event loop at most once per frame. All throttles
// share one frame clock, so that what changed in a frame is dealt with in one
// wake-up of the program: on the loop's next turn when the last frame was a
// frame's time or more ago. A request that comes sooner waits for the first
// request after that time, which a stream of changes (periodic sends, reads)
// brings in a wake-up it makes anyway, and at the latest for a second frame's
// time. Never inside request(), so it may be asked for from within a change
// the action would disturb. The action works on the current state, so the
// last request of a frame is never lost, only merged.
class FrameThrottle {
public:
    explicit FrameThrottle(std::function<void()> action);
    ~FrameThrottle();
    FrameThrottle(const FrameThrottle &) = delete;
    FrameThrottle &operator=(const FrameThrottle &) = delete;

    void request();

private:
    friend class FrameClock;
    std::function<void()> m_action;
    bool m_requested = false;
};

} // namespace ui
