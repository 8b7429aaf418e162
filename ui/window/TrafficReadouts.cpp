#include "ui/window/TrafficReadouts.h"

#include "rx/ReadStatistics.h"
#include "session/TerminalSession.h"
#include "ui/widgets/ReadoutPainter.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace ui {

TrafficReadouts::TrafficReadouts(const Controls &controls, session::TerminalSession &session, QObject *parent)
    : QObject(parent), m_controls(controls), m_session(session) {
    // Opaque, in the colour of their panel: a repaint then draws the readout
    // alone, not the panels and the window behind it as well; and from a
    // kept picture of its frame.
    for (QLabel *readout :
         {m_controls.StaticText3, m_controls.LSend, m_controls.LRead, m_controls.MinTimeWait, m_controls.MaxTimeWait})
        new ReadoutPainter(readout);
    BTClrStatClick();
    connect(&m_session, &session::TerminalSession::bytesReceived, this,
            [this](quint32, bool waitsMeasured) { showRead(waitsMeasured); });
    connect(&m_session, &session::TerminalSession::bytesSent, this, &TrafficReadouts::showSent);
    connect(m_controls.BTClrStat, &QPushButton::clicked, this, &TrafficReadouts::BTClrStatClick);
}

void TrafficReadouts::showRead(bool waitsMeasured) {
    showTotals();
    if (waitsMeasured)
        showWaits();
    show(m_controls.LRead, rx::readCountText(m_session.traffic().statistics.ReadCount));
}

void TrafficReadouts::showSent() {
    showTotals();
    show(m_controls.LSend, rx::sendCountText(m_session.traffic().statistics.SendCount));
}

void TrafficReadouts::showTotals() {
    const session::TerminalSession::Traffic &traffic = m_session.traffic();
    show(m_controls.StaticText3, QStringLiteral("TX: %1 RX: %2").arg(traffic.TxTotal).arg(traffic.RxTotal));
}

void TrafficReadouts::showWaits() {
    const rx::ReadStatistics &statistics = m_session.traffic().statistics;
    show(m_controls.MinTimeWait, rx::minWaitText(statistics.MinWait));
    show(m_controls.MaxTimeWait, rx::maxWaitText(statistics.MaxWait));
}

void TrafficReadouts::BTClrStatClick() {
    m_session.resetStatistics();
    showWaits();
    const rx::ReadStatistics &statistics = m_session.traffic().statistics;
    show(m_controls.LRead, rx::readCountText(statistics.ReadCount));
    show(m_controls.LSend, rx::sendCountText(statistics.SendCount));
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

} // namespace ui
