#include "ui/window/ReceivePath.h"

#include "rx/PacketGapSteps.h"
#include "session/TerminalSession.h"
#include "ui/widgets/UpDown.h"
#include "ui/window/Appearance.h"

#include <QLabel>

namespace ui {

ReceivePath::ReceivePath(const Controls &controls, session::TerminalSession &session, QWidget *window)
    : QObject(window), m_controls(controls), m_session(session), m_window(window) {
    m_controls.TimeOutAns->setText(rx::packetGapReadout(m_session.packetGap()));
    connect(m_controls.TimeOutRx, &UpDown::clicked, this, &ReceivePath::TimeOutRxClick);
}

void ReceivePath::TimeOutRxClick(int direction) {
    const qint32 gap = m_session.packetGap();
    m_session.setPacketGap(direction > 0 ? rx::packetGapUp(gap) : rx::packetGapDown(gap));
    m_controls.TimeOutAns->setText(rx::packetGapReadout(m_session.packetGap()));
    QPalette colours = m_controls.TimeOutAns->palette();
    colours.setColor(QPalette::Window,
                     m_session.packetGap() != 0 ? appearance::kYellow : m_window->palette().color(QPalette::Window));
    m_controls.TimeOutAns->setPalette(colours);
    m_controls.TimeOutAns->setAutoFillBackground(true);
}

} // namespace ui
