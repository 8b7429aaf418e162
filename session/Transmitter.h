#pragma once

#include "core/DataMode.h"
#include "session/Traffic.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

namespace session {

class LogSink;
class PortChannel;
class Receiver;

// The session's sending: the one routine that writes a command to the
// channel, with the tail, encoded in the data mode, echoed into the log and
// counted when the port took it. What has arrived is read first, so that the
// log keeps the order of events. A send asked for while another is inside is
// dropped; one asked for while a reconnected device settles goes once the
// settle time is over; one asked for while a client holds the channel is
// refused with sendRefused().
class Transmitter : public QObject {
    Q_OBJECT
public:
    Transmitter(PortChannel &channel, Receiver &receiver, LogSink &log, Traffic &traffic, QObject *parent = nullptr);

    // What became of a send.
    enum class Outcome {
        Sent,    // the port took it (or there was nothing to send)
        Held,    // it goes once the device has settled
        Dropped, // another send was inside
        NotOpen, // the port is closed (portNotOpen())
        Refused, // the connection was gone, or a client holds the channel
    };
    // The command part plus the tail. A connection the write finds gone is
    // handed to the watch once the send is over.
    Outcome SendPortData(const QByteArray &command);
    void sendCommandLine() { SendPortData(m_commandLine); }
    void setCommandLine(const QByteArray &command) { m_commandLine = command; }
    const QByteArray &commandLine() const { return m_commandLine; }
    void setTail(const QByteArray &tail) { m_tail = tail; }
    void setDataMode(core::DataMode mode) { m_dataMode = mode; }
    core::DataMode dataMode() const { return m_dataMode; }
    bool busy() const { return m_busy; }
    // The settle time is over: the sends asked for meanwhile go, in order.
    void sendHeld();

    // Another client's bytes (a shared port's), written as one piece after
    // what has arrived so far is shown, and logged as sent under logText.
    // False when they did not go (closed, claimed, busy, settling, gone).
    bool writeShared(const QByteArray &bytes, const QByteArray &logText);
    // A line of the log on another client's behalf, after what has arrived.
    void logShared(const QByteArray &logText);

signals:
    // A command is about to go out (the history takes it).
    void commandSent(const QByteArray &command);
    // A send with the port closed: the command is lost.
    void portNotOpen();
    // A send while a client holds the channel: not sent.
    void sendRefused(const QString &claimant);
    void bytesSent(quint32 bytes);

private:
    Outcome sendOnce(const QByteArray &command);

    PortChannel &m_channel;
    Receiver &m_receiver;
    LogSink &m_log;
    Traffic &m_traffic;
    QByteArray m_commandLine;
    QByteArray m_tail;
    core::DataMode m_dataMode = core::DataMode::Ascii;
    bool m_busy = false;
    QList<QByteArray> m_held;
};

} // namespace session
