#pragma once

#include "core/DataMode.h"
#include "rx/ReceiveBuffer.h"
#include "session/Traffic.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <optional>

namespace session {

class LogSink;
class PortChannel;

// The session's receiving: the receive beat reads the channel, frames the
// bytes into packets by the silence gap, counts them, puts each packet's
// line into the log and says whether it is a complete answer (nothing more
// waits behind it). It stands aside while the channel is claimed, and while
// a reconnected local device settles (the bytes wait in the port's queue).
class Receiver : public QObject {
    Q_OBJECT
public:
    Receiver(PortChannel &channel, LogSink &log, Traffic &traffic, QObject *parent = nullptr);

    void setPacketGap(qint32 ms) { m_packetGap = ms; }
    qint32 packetGap() const { return m_packetGap; }
    // Bytes are read as soon as they arrive instead of on the next 1 ms
    // beat (a script's round trip); packets are framed by the same gap.
    void setReadOnArrival(bool on) { m_readOnArrival = on; }
    void setDataMode(core::DataMode mode) { m_dataMode = mode; }
    quint32 buffered() const { return m_buffer.length(); }
    bool busy() const { return m_busy; }

    // The receive beat (its own timer calls it).
    void RxTimerTimer();
    // Everything that has arrived is read and its packet ended now, before
    // a send or a close; no answer is asked for.
    void takeArrivedInput();

signals:
    // The text of each received packet's line, before stamp and filter.
    void packetReceived(const QByteArray &text);
    // A finished packet, after its line; complete when nothing waits behind.
    void answered(const QByteArray &text, bool complete);
    void bytesReceived(quint32 bytes, bool waitsMeasured);
    // The bytes of each read from the port, as they came.
    void received(const QByteArray &bytes);

private:
    bool mayRead() const;
    bool readWaiting(qint64 waiting);
    void showReceived(const std::optional<QByteArray> &line);
    void ReadBufRxInLog(const QByteArray &text);
    void scheduleRxTick(qint32 now);
    void beatSoon(int ms);

    PortChannel &m_channel;
    LogSink &m_log;
    Traffic &m_traffic;
    rx::ReceiveBuffer m_buffer;
    core::DataMode m_dataMode = core::DataMode::Ascii;
    qint32 m_packetGap = 0;
    bool m_busy = false;
    bool m_readOnArrival = false;
    QTimer m_rxTimer;
};

} // namespace session
