#pragma once

#include "core/LineSettings.h"
#include "core/port/NetAddress.h"
#include "core/port/PortAccess.h"
#include "core/port/TelnetCodec.h"

#include <QByteArray>
#include <QTcpSocket>
#include <QTimer>

namespace core {

// A serial port on another machine, reached over TCP: with RFC 2217 the
// line settings are set on the far port, with plain TCP the server's own
// settings apply. It offers the byte-level operations of the local port, so
// the send routine and the receive poll use both alike; only opening differs,
// because a connection takes time the window must not wait through.
class NetPort : public PortAccess {
    Q_OBJECT
public:
    // Why the last open failed.
    enum class Failure { None, BadAddress, Refused, TimedOut, NameNotFound, NotAccepted, Closed, Network };

    explicit NetPort(QObject *parent = nullptr);

    // True for a location that names a network port ("rfc2217://…", "tcp://…").
    static bool isNetLocation(const QString &location);

    // Starts opening and returns at once; opened() follows exactly once,
    // always later from the event loop, unless close() or another openAsync()
    // comes first (then the attempt is dropped without a signal). Name lookup,
    // connecting and, for RFC 2217, agreeing on COM-PORT control and setting
    // the line all count against the open timeout; the port is open only when
    // the server has accepted every setting.
    void openAsync(const QString &location, const LineSettings &settings) override;
    bool isOpening() const override { return m_opening; }
    bool isOpen() const { return m_open; }
    void close() override;
    // Why the last open failed, in the system's words.
    QString errorString() const override { return m_error; }
    Failure failure() const { return m_failure; }

    // How long an open may take in all.
    void setOpenTimeoutMs(int ms) { m_timeoutMs = ms; }

    // True while the port is open and the connection stands; false once the
    // server closed or reset it. Bytes the server sent before closing can
    // still be read.
    bool probe() override;

    // Bytes received and not yet read.
    qint64 bytesWaiting() override;
    // Returns at once with up to maxBytes of the bytes waiting.
    QByteArray read(qint64 maxBytes) override;
    // Hands the bytes to the connection without waiting for them to leave;
    // 0 when the connection is no longer there (nothing is sent).
    qint64 write(const QByteArray &bytes) override;
    // The far line's speed is not known here: output still in the socket is
    // looked at again a little later.
    qint64 outputPendingMs() const override;
    // Drops the unread input and, with RFC 2217, the server's buffer of bytes
    // from the device not yet sent to us. Raw TCP has no such buffer.
    void purge() override;
    // Drops the unread input (the port is being closed).
    void discard() override;

    // Over RFC 2217 the line is the far port's: settings, DTR, RTS and break
    // go to the server, which reports the input lines as they change (no
    // polling). A raw TCP port has none of it.
    bool hasLineControl() const override;
    bool changeLine(const LineSettings &settings) override;
    void setOutputs(const ModemOutputs &outputs) override;
    bool pulse(ModemLine line, int ms) override;
    bool sendBreak(int ms) override;
    void watchInputLines(bool on) override;
    std::optional<InputLines> inputLines() const override;

private:
    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void pump();
    void handle(const TelnetCodec::Received &received);
    void finishOpen();
    void failOpen(Failure failure, const QString &reason);
    void failLater(Failure failure, const QString &reason);
    QString peer() const;
    // The server has closed or reset the connection, as the system knows now.
    bool peerGone() const;
    QString settingText(TelnetCodec::ComPortCommand command) const;
    void sendOutputs();
    void takeInputLines(const InputLines &lines);

    QTcpSocket m_socket;
    QTimer m_timeout;
    TelnetCodec m_codec;
    NetAddress m_address;
    LineSettings m_settings;
    QByteArray m_input;
    quint64 m_attempt = 0;
    int m_timeoutMs;
    bool m_opening = false;
    bool m_open = false;
    bool m_settingsSent = false;
    bool m_pulling = false;
    Failure m_failure = Failure::None;
    ModemOutputs m_outputs;
    std::optional<ModemLine> m_pulsing;
    QTimer m_breakTimer;
    bool m_watchInput = false;
    std::optional<InputLines> m_inputLines;
    QString m_error;
};

} // namespace core
