#include "ui/widgets/LogScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace ui {

LogScrollBar::Look LogScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
}

void LogScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    // A new range leaves the value behind until the view follows it at once;
    // only the outcome counts.
    if (!m_checkPending) {
        m_checkPending = true;
        QMetaObject::invokeMethod(this, &LogScrollBar::repaintIfChanged, Qt::QueuedConnection);
    }
}

void LogScrollBar::repaintIfChanged() {
    m_checkPending = false;
    if (look() != m_painted)
        update();
}

void LogScrollBar::paintEvent(QPaintEvent *event) {
    m_painted = look();
    QScrollBar::paintEvent(event);
}

} // namespace ui
