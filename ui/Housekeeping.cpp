#include "ui/Housekeeping.h"

#include "ui/ReadoutPainter.h"

#include <QLabel>
#include <QTime>

Housekeeping::Housekeeping(QLabel *TextTime, QObject *parent) : QObject(parent), m_textTime(TextTime) {
    // Opaque, in its panel's colour: the clock's second repaints the clock
    // alone, not the panel behind it.
    new ReadoutPainter(m_textTime);
    m_customFunctions.setSingleShot(true);
    connect(&m_customFunctions, &QTimer::timeout, this, &Housekeeping::CustomFunctionsTimer);
}

void Housekeeping::CustomFunctionsTimer() {
    emit beat();
    const QString now = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    if (m_textTime->text() != now)
        m_textTime->setText(now);
    m_customFunctions.start(1000 - QTime::currentTime().msec());
}
