#include "ui/TrafficReadouts.h"

#include "rx/WeekClock.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <utility>

TrafficReadouts::TrafficReadouts(const Controls &controls, QObject *parent) : QObject(parent), m_controls(controls) {
    // Opaque, in the colour of their panel: a repaint then draws the readout
    // alone, not the panels and the window behind it as well.
    for (QLabel *readout : {m_controls.StaticText3, m_controls.LSend, m_controls.LRead, m_controls.MinTimeWait,
                            m_controls.MaxTimeWait})
        readout->setAutoFillBackground(true);
    BTClrStatClick();
    connect(m_controls.BTClrStat, &QPushButton::clicked, this, &TrafficReadouts::BTClrStatClick);
}

void TrafficReadouts::countRead(quint32 bytes) {
    m_rxTotal += bytes;
    showTotals();
    if (m_statistics.recordRead(rx::WeekClockMs()))
        showWaits();
    show(m_controls.LRead, rx::ReadCountText(m_statistics.ReadCount));
}

void TrafficReadouts::countSent(quint32 bytes) {
    m_txTotal += bytes;
    showTotals();
    ++m_statistics.SendCount;
    show(m_controls.LSend, rx::SendCountText(m_statistics.SendCount));
}

void TrafficReadouts::showTotals() {
    show(m_controls.StaticText3, QStringLiteral("TX: %1 RX: %2").arg(m_txTotal).arg(m_rxTotal));
}

void TrafficReadouts::showWaits() {
    show(m_controls.MinTimeWait, rx::MinWaitText(m_statistics.MinWait));
    show(m_controls.MaxTimeWait, rx::MaxWaitText(m_statistics.MaxWait));
}

void TrafficReadouts::BTClrStatClick() {
    m_statistics.reset();
    showWaits();
    show(m_controls.LRead, rx::ReadCountText(m_statistics.ReadCount));
    show(m_controls.LSend, rx::SendCountText(m_statistics.SendCount));
}

// Under a flood, or fast periodic sending, the readouts change on every read
// or send. They take each new text at once, but are repainted at most once
// per frame: each repaint would redraw their panel and flush the window to
// the display.
void TrafficReadouts::show(QLabel *readout, const QString &text) {
    if (std::find(m_held.begin(), m_held.end(), readout) == m_held.end()) {
        readout->setUpdatesEnabled(false);
        m_held.push_back(readout);
        m_paint.request();
    }
    readout->setText(text);
}

void TrafficReadouts::paint() {
    for (QLabel *readout : std::exchange(m_held, {}))
        readout->setUpdatesEnabled(true); // repaints it
}
