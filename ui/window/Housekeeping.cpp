#include "ui/window/Housekeeping.h"

#include "ui/widgets/ReadoutPainter.h"

#include <QLabel>
#include <QTime>

namespace ui {

Housekeeping::Housekeeping(QLabel *TextTime, QObject *parent) : QObject(parent), m_textTime(TextTime) {
    // Opaque, in its panel's colour: the clock's second repaints the clock
    // alone, not the panel behind it.
    new ReadoutPainter(m_textTime);
    m_customFunctions.setSingleShot(true);
    connect(&m_customFunctions, &QTimer::timeout, this, &Housekeeping::CustomFunctionsTimer);
}

void Housekeeping::CustomFunctionsTimer() {
    emit beat();
    // One reading of the clock: it takes a conversion to local time.
    const QTime now = QTime::currentTime();
    const QString shown = now.toString(QStringLiteral("HH:mm:ss"));
    if (m_textTime->text() != shown)
        m_textTime->setText(shown);
    m_customFunctions.start(1000 - now.msec());
}

} // namespace ui
