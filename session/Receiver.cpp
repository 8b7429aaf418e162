#include "session/Receiver.h"

#include "rx/WeekClock.h"
#include "session/LogSink.h"
#include "session/PortChannel.h"

#include <QScopeGuard>

namespace session {

Receiver::Receiver(PortChannel &channel, LogSink &log, Traffic &traffic, QObject *parent)
    : QObject(parent), m_channel(channel), m_log(log), m_traffic(traffic) {
    m_rxTimer.setSingleShot(true);
    m_rxTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_rxTimer, &QTimer::timeout, this, &Receiver::RxTimerTimer);
    // New bytes are looked at on the next millisecond tick, as a poll every
    // millisecond would, or at once when asked for.
    connect(&m_channel, &PortChannel::readable, this, [this] { beatSoon(m_readOnArrival ? 0 : 1); });
    // Bytes gathered before the port was closed are framed with what comes
    // now; what waited out the device's settle time is read at once.
    connect(&m_channel, &PortChannel::portStateChanged, this, [this](bool open) {
        if (open && m_buffer.length() > 0)
            m_rxTimer.start(0);
    });
    connect(&m_channel, &PortChannel::settled, this, [this] { m_rxTimer.start(0); });
    connect(&m_channel, &PortChannel::aboutToLose, this, &Receiver::takeArrivedInput);
    connect(&m_channel, &PortChannel::aboutToClaim, this, &Receiver::takeArrivedInput);
}

void Receiver::beatSoon(int ms) {
    if (!m_rxTimer.isActive() || m_rxTimer.remainingTime() > ms)
        m_rxTimer.start(ms);
}

bool Receiver::mayRead() const { return m_channel.freeForSession(); }

void Receiver::RxTimerTimer() {
    // A tick that arrives while an earlier one is still inside returns at
    // once; reading resumes when that one ends.
    if (m_busy)
        return;
    m_busy = true;
    const auto release = qScopeGuard([this] { m_busy = false; });
    if (!mayRead())
        return;

    const qint64 waiting = m_channel.bytesWaiting();
    // Silence is measured on a clock that steps of the wall clock (daylight
    // saving, NTP) do not move; the statistics keep the week clock.
    const qint32 now = rx::monotonicWeekMs();
    if (waiting > 0)
        readWaiting(waiting);
    if (const std::optional<QByteArray> line = m_buffer.tick(now, waiting > 0, m_packetGap, m_dataMode))
        ReadBufRxInLog(*line);
    scheduleRxTick(now);
}

bool Receiver::readWaiting(qint64 waiting) {
    const QByteArray bytes = m_channel.read(std::min(waiting, m_buffer.room()));
    m_buffer.append(bytes);
    const auto count = static_cast<quint32>(bytes.size());
    m_traffic.RxTotal += count;
    const bool waitsMeasured = m_traffic.statistics.recordRead(rx::WeekClockMs());
    emit bytesReceived(count, waitsMeasured);
    if (!bytes.isEmpty())
        emit received(bytes);
    return !bytes.isEmpty();
}

void Receiver::takeArrivedInput() {
    // A poll that is still inside keeps its buffer as it is; the input stays
    // queued and is framed once the poll goes on.
    if (m_busy || !m_channel.isOpen() || m_channel.isClaimed())
        return;
    m_busy = true;
    const auto release = qScopeGuard([this] { m_busy = false; });
    // The port's input is read, not dropped: whatever a drop took would have
    // arrived by then, and a busy machine can stall between any two calls.
    // A buffer that fills ends its packet there, as the threshold would.
    for (qint64 waiting; (waiting = m_channel.bytesWaiting()) > 0;) {
        if (m_buffer.room() == 0)
            showReceived(m_buffer.endPacket(m_dataMode));
        if (!readWaiting(waiting))
            break;
    }
    // The packet ended by the send is no answer to it: the after-answer
    // chain is not asked, the send under way being the next command.
    showReceived(m_buffer.endPacket(m_dataMode));
}

void Receiver::showReceived(const std::optional<QByteArray> &line) {
    if (!line)
        return;
    emit packetReceived(*line);
    m_log.putLine(*line, Direction::Received);
}

// A finished packet: its line is shown and recorded, then the answer is
// announced, whether or not the filter let the line through. More bytes
// waiting behind the packet: the answer is still arriving.
void Receiver::ReadBufRxInLog(const QByteArray &text) {
    showReceived(text);
    emit answered(text, m_channel.bytesWaiting() == 0);
}

void Receiver::scheduleRxTick(qint32 now) {
    if (!mayRead())
        return;
    const std::optional<qint32> delay = m_buffer.nextTickDelayMs(now, m_packetGap, m_channel.bytesWaiting() > 0);
    if (delay)
        beatSoon(*delay);
}

} // namespace session
