#include "session/Transmitter.h"

#include "session/LogSink.h"
#include "session/PortChannel.h"
#include "session/Receiver.h"
#include "tx/CommandEncoding.h"

#include <QScopeGuard>

#include <utility>

namespace session {

Transmitter::Transmitter(PortChannel &channel, Receiver &receiver, LogSink &log, Traffic &traffic, QObject *parent)
    : QObject(parent), m_channel(channel), m_receiver(receiver), m_log(log), m_traffic(traffic),
      m_tail(tx::kAsciiTail.toLatin1()) {
    // Sends held for the settle time are not carried over to another
    // connection.
    connect(&m_channel, &PortChannel::portStateChanged, this, [this](bool open) {
        if (!open)
            m_held.clear();
    });
}

Transmitter::Outcome Transmitter::SendPortData(const QByteArray &command) {
    // A send that arrives while another is inside (a timer firing in a modal
    // loop) is dropped, not queued.
    if (m_busy)
        return Outcome::Dropped;
    if (m_channel.isClaimed()) {
        emit sendRefused(m_channel.claimant());
        return Outcome::Refused;
    }
    if (m_channel.held() && m_channel.isOpen()) {
        if (!command.isEmpty())
            m_held.append(command);
        return Outcome::Held;
    }
    const Outcome outcome = sendOnce(command);
    // The watch is told of a connection the write found gone once the send
    // is over, so that a send on reconnection is not dropped.
    if (outcome == Outcome::Refused)
        m_channel.writeRefused();
    return outcome;
}

void Transmitter::sendHeld() {
    for (const QByteArray &command : std::exchange(m_held, {}))
        SendPortData(command);
}

bool Transmitter::writeShared(const QByteArray &bytes, const QByteArray &logText) {
    if (m_busy || bytes.isEmpty() || !m_channel.freeForSession())
        return false;
    m_busy = true;
    const auto release = qScopeGuard([this] { m_busy = false; });
    m_receiver.takeArrivedInput();
    const qint64 taken = m_channel.write(bytes);
    if (taken <= 0)
        return false;
    m_log.putLine(logText, Direction::Sent);
    m_traffic.TxTotal += static_cast<quint32>(taken);
    emit bytesSent(static_cast<quint32>(taken));
    return true;
}

void Transmitter::logShared(const QByteArray &logText) {
    m_receiver.takeArrivedInput();
    m_log.putLine(logText, Direction::Sent);
}

Transmitter::Outcome Transmitter::sendOnce(const QByteArray &command) {
    m_busy = true;
    const auto release = qScopeGuard([this] { m_busy = false; });

    if (!m_channel.isOpen()) {
        emit portNotOpen();
        return Outcome::NotOpen;
    }
    if (command.isEmpty())
        return Outcome::Sent;
    emit commandSent(command);
    const QByteArray tail = tx::ConvAddStr(command, m_tail, m_dataMode);
    const tx::Packet packet = tx::BuildPacket(command, tail, m_dataMode);
    // What has arrived so far is shown before the echo, in the order of
    // events, and the answer to this command starts a packet of its own.
    // Output still queued is not waited for: it goes out first, in order.
    m_receiver.takeArrivedInput();
    // The echo and the counters say what the port took: nothing of a
    // connection that is gone.
    const qint64 taken = m_channel.write(packet.bytes);
    if (taken <= 0)
        return Outcome::Refused;
    m_log.putLine(packet.echo, Direction::Sent);
    m_traffic.TxTotal += static_cast<quint32>(taken);
    ++m_traffic.statistics.SendCount;
    emit bytesSent(static_cast<quint32>(taken));
    return Outcome::Sent;
}

} // namespace session
