#include "ui/ReceivePath.h"

#include "rx/PacketGapSteps.h"
#include "rx/WeekClock.h"
#include "ui/Appearance.h"
#include "ui/ConnectionControl.h"
#include "ui/TrafficReadouts.h"
#include "ui/UpDown.h"

#include <QLabel>
#include <QScopeGuard>

ReceivePath::ReceivePath(const Controls &controls, ConnectionControl &connection, TrafficReadouts &readouts,
                         std::function<DataMode()> dataMode, QWidget *window)
    : QObject(window), m_controls(controls), m_connection(connection), m_readouts(readouts),
      m_dataMode(std::move(dataMode)), m_window(window) {
    m_controls.TimeOutAns->setText(rx::PacketGapReadout(m_packetGap));
    m_rxTimer.setSingleShot(true);
    m_rxTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_rxTimer, &QTimer::timeout, this, &ReceivePath::RxTimerTimer);
    connect(&m_connection.port(), &PortAccess::readable, this, [this] {
        // New bytes are looked at on the next millisecond tick, as a poll
        // every millisecond would.
        if (!m_rxTimer.isActive() || m_rxTimer.remainingTime() > 1)
            m_rxTimer.start(1);
    });
    connect(m_controls.TimeOutRx, &UpDown::clicked, this, &ReceivePath::TimeOutRxClick);
}

void ReceivePath::portOpened() {
    if (m_buffer.length() > 0)
        m_rxTimer.start(0);
}

void ReceivePath::RxTimerTimer() {
    // A tick that arrives while an earlier one waits in a modal loop returns
    // at once; reading resumes when that one ends.
    if (m_rxBusy)
        return;
    m_rxBusy = true;
    const auto release = qScopeGuard([this] { m_rxBusy = false; });
    if (!m_connection.isOpen())
        return;

    PortAccess &port = m_connection.port();
    const qint64 waiting = port.bytesWaiting();
    // Silence is measured on a clock that steps of the wall clock (daylight
    // saving, NTP) do not move; the statistics keep the week clock.
    const qint32 now = rx::MonotonicWeekMs();
    if (waiting > 0)
        readWaiting(waiting);
    if (const std::optional<QByteArray> line = m_buffer.tick(now, waiting > 0, m_packetGap, m_dataMode())) {
        emit lineReceived(*line);
        emit answered();
    }
    scheduleRxTick(now);
}

bool ReceivePath::readWaiting(qint64 waiting) {
    const QByteArray bytes = m_connection.port().read(std::min(waiting, m_buffer.room()));
    m_buffer.append(bytes);
    m_readouts.countRead(static_cast<quint32>(bytes.size()));
    return !bytes.isEmpty();
}

void ReceivePath::takeArrivedInput() {
    // A poll waiting in a modal loop keeps its buffer as it is; the input
    // stays queued and is framed once the poll goes on.
    if (m_rxBusy || !m_connection.isOpen())
        return;
    m_rxBusy = true;
    const auto release = qScopeGuard([this] { m_rxBusy = false; });
    // The port's input is read, not dropped: whatever a drop took would have
    // arrived by then, and a busy machine can stall between any two calls.
    // A buffer that fills ends its packet there, as the threshold would.
    PortAccess &port = m_connection.port();
    for (qint64 waiting; (waiting = port.bytesWaiting()) > 0;) {
        if (m_buffer.room() == 0)
            showLine(m_buffer.endPacket(m_dataMode()));
        if (!readWaiting(waiting))
            break;
    }
    // The packet ended by the send is no answer to it: the after-answer
    // chain is not asked, the send under way being the next command.
    showLine(m_buffer.endPacket(m_dataMode()));
}

void ReceivePath::showLine(const std::optional<QByteArray> &line) {
    if (line)
        emit lineReceived(*line);
}

void ReceivePath::scheduleRxTick(qint32 now) {
    if (!m_connection.isOpen())
        return;
    const std::optional<qint32> delay =
        m_buffer.nextTickDelayMs(now, m_packetGap, m_connection.port().bytesWaiting() > 0);
    if (delay && (!m_rxTimer.isActive() || m_rxTimer.remainingTime() > *delay))
        m_rxTimer.start(*delay);
}

void ReceivePath::TimeOutRxClick(int direction) {
    m_packetGap = direction > 0 ? rx::PacketGapUp(m_packetGap) : rx::PacketGapDown(m_packetGap);
    m_controls.TimeOutAns->setText(rx::PacketGapReadout(m_packetGap));
    QPalette colours = m_controls.TimeOutAns->palette();
    colours.setColor(QPalette::Window,
                     m_packetGap != 0 ? appearance::kYellow : m_window->palette().color(QPalette::Window));
    m_controls.TimeOutAns->setPalette(colours);
    m_controls.TimeOutAns->setAutoFillBackground(true);
}
