#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace ui {

// Text cursors blink only for a while after the last key, click or wheel
// turn, as the desktop toolkits have them do; then they stay lit until the
// next one. A window left alone otherwise repaints its focused field twice
// a second for as long as it runs.
class CursorBlinkTimeout : public QObject {
public:
    static constexpr std::chrono::milliseconds kTimeout{10000};

    // Watches every input of the application from now on.
    explicit CursorBlinkTimeout(std::chrono::milliseconds timeout = kTimeout, QObject *parent = nullptr);
    ~CursorBlinkTimeout() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void blink(bool on);

    QTimer m_quiet;
    // The blink period the desktop asks for (ms).
    int m_flashTime;
    bool m_blinking = true;
};

} // namespace ui
