#include "ui/widgets/CursorBlinkTimeout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace ui {

CursorBlinkTimeout::CursorBlinkTimeout(std::chrono::milliseconds timeout, QObject *parent)
    : QObject(parent), m_flashTime(QGuiApplication::styleHints()->cursorFlashTime()) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(timeout);
    connect(&m_quiet, &QTimer::timeout, this, [this] { blink(false); });
    m_quiet.start();
    QCoreApplication::instance()->installEventFilter(this);
}

CursorBlinkTimeout::~CursorBlinkTimeout() { blink(true); }

bool CursorBlinkTimeout::eventFilter(QObject *, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
        blink(true);
        m_quiet.start();
        break;
    default:
        break;
    }
    return false;
}

void CursorBlinkTimeout::blink(bool on) {
    if (m_blinking == on)
        return;
    m_blinking = on;
    // The fields take a new period at once; 0 keeps the cursor lit.
    QGuiApplication::styleHints()->setCursorFlashTime(on ? m_flashTime : 0);
}

} // namespace ui
