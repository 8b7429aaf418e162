#include "ui/TrafficReadouts.h"

#include "rx/WeekClock.h"

#include <QLabel>
#include <QPushButton>

TrafficReadouts::TrafficReadouts(const Controls &controls, QObject *parent) : QObject(parent), m_controls(controls) {
    BTClrStatClick();
    connect(m_controls.BTClrStat, &QPushButton::clicked, this, &TrafficReadouts::BTClrStatClick);
}

void TrafficReadouts::countRead(quint32 bytes) {
    holdPaint();
    m_rxTotal += bytes;
    showTotals();
    if (m_statistics.recordRead(rx::WeekClockMs())) {
        m_controls.MinTimeWait->setText(rx::MinWaitText(m_statistics.MinWait));
        m_controls.MaxTimeWait->setText(rx::MaxWaitText(m_statistics.MaxWait));
    }
    m_controls.LRead->setText(rx::ReadCountText(m_statistics.ReadCount));
}

void TrafficReadouts::countSent(quint32 bytes) {
    m_txTotal += bytes;
    showTotals();
    ++m_statistics.SendCount;
    m_controls.LSend->setText(rx::SendCountText(m_statistics.SendCount));
}

void TrafficReadouts::showTotals() {
    m_controls.StaticText3->setText(QStringLiteral("TX: %1 RX: %2").arg(m_txTotal).arg(m_rxTotal));
}

void TrafficReadouts::BTClrStatClick() {
    m_statistics.reset();
    m_controls.MinTimeWait->setText(rx::MinWaitText(m_statistics.MinWait));
    m_controls.MaxTimeWait->setText(rx::MaxWaitText(m_statistics.MaxWait));
    m_controls.LRead->setText(rx::ReadCountText(m_statistics.ReadCount));
    m_controls.LSend->setText(rx::SendCountText(m_statistics.SendCount));
}

// Under a flood the readouts change on every read. They take each new text
// at once, but are repainted at most once per frame: each repaint would
// redraw their panel and flush the window to the display.
void TrafficReadouts::holdPaint() {
    if (m_held)
        return;
    m_held = true;
    for (QWidget *readout : receiveReadouts())
        readout->setUpdatesEnabled(false);
    m_paint.request();
}

void TrafficReadouts::paint() {
    m_held = false;
    for (QWidget *readout : receiveReadouts())
        readout->setUpdatesEnabled(true); // repaints each
}

std::array<QWidget *, 4> TrafficReadouts::receiveReadouts() const {
    return {m_controls.StaticText3, m_controls.LRead, m_controls.MinTimeWait, m_controls.MaxTimeWait};
}
