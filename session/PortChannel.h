#pragma once

#include "core/LineSettings.h"
#include "core/port/ConnectionWatch.h"
#include "core/port/PortDirectory.h"
#include "core/port/TerminalPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace session {

// Told when a send from the window or a mode meets a claimed channel; %1 is
// the claimant's name.
inline const QString kPortClaimedNotice = QStringLiteral("Порт занят (%1): команда не отправлена.");

// The byte channel to the device: the port (local or network), opening it,
// the connection watch and reconnection, raw reads and writes, the line's
// controls, and the claim.
//
// Its clients: the receiver (the log), the transmitter (the window's and the
// modes' sends), and whoever claims the channel for a while (a file
// transfer, a shared socket, a raw console). While a client holds the claim,
// the receiver and the transmitter stand aside: received bytes go to the
// claimant as claimedInput() instead of the log, sends from the window and
// the modes are refused, and claimChanged() tells the user who holds it. The
// claimant writes raw bytes with write(). The claim ends with release() or
// when the port closes for any reason (lost, disconnected): claimChanged("")
// then says the channel is free again.
class PortChannel : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;

    // The device gets this long to start up after a reconnection: nothing is
    // sent and nothing read meanwhile.
    static constexpr qint64 kReconnectSettleMs = 2000;

    // directory: where an adapter the user connected is looked for by its
    // lasting name when the connection is to be made again.
    explicit PortChannel(core::PortDirectory directory = core::PortDirectory(), QObject *parent = nullptr);

    // The settle time after a reconnection is measured on this clock (ms,
    // monotonic); the default is the system's steady clock.
    void setClock(Clock clock);

    // --- Opening and the watch ---------------------------------------------
    // The user's connect; connectFinished() follows once (before this returns
    // for a local port). False when the open could not even start (no
    // location); connectFinished(false) is then the caller's to emit.
    bool connectPort(const QString &location, const core::LineSettings &settings, const QString &stableLocation);
    // The user's disconnect (also of a lost port): closes, not wanted.
    void disconnectPort();
    bool isOpen() const { return m_open; }
    bool isOpening() const { return m_opening != Opening::None; }
    bool connectWanted() const { return m_wanted; }
    QString errorString() const { return m_port.errorString(); }
    void setAutoConnect(bool on) { m_autoConnect = on; }
    // The watch's beat, every second (its own timer calls it).
    void CheckConnectTimer();
    // The settle timer's handler (its own timer calls it).
    void ReconnectSettleTimer();
    // A write found the connection gone: the watch is told at once.
    void writeRefused() { watchBeat(false); }
    // A reconnected local device is still settling: nothing is sent and
    // nothing read until the settle time is over (a network port's is only
    // waited for before the send on connect, as it always was).
    bool held() const { return m_settling && !m_port.isNetwork(); }

    // --- Raw bytes ---------------------------------------------------------
    qint64 bytesWaiting() { return m_open ? m_returned.size() + m_port.bytesWaiting() : 0; }
    QByteArray read(qint64 maxBytes);
    // Hands the bytes to the port; how many it took (0: closed or gone; a
    // claimant's refused write reaches the watch from the event loop).
    qint64 write(const QByteArray &bytes);
    qint64 outputPendingMs() const { return m_open ? m_port.outputPendingMs() : 0; }
    // Drops the input not yet read, here and at an RFC 2217 server, so that
    // a claimant starts clean (a transfer after line noise).
    void purgeInput() {
        if (m_open)
            m_port.purge();
    }

    // --- The line ----------------------------------------------------------
    // The settings the port is opened with.
    const core::LineSettings &lineSettings() const { return m_settings; }
    // New settings: taken at the next open, and applied at once to an open
    // port; false when the open port refused them (it keeps its settings,
    // errorString() says why).
    bool setLineSettings(const core::LineSettings &settings);
    // Whether the open port can set its line (a raw TCP port cannot).
    bool hasLineControl() const { return m_open && m_port.hasLineControl(); }
    // DTR and RTS as wanted, applied now and at every open (reconnections
    // included).
    void setModemLines(const core::ModemOutputs &outputs) { m_port.setOutputs(outputs); }
    // A line turned over for ms and back; a break of ms. False when the port
    // cannot (closed, no such line, one under way).
    bool pulse(core::ModemLine line, int ms) { return m_open && m_port.pulse(line, ms); }
    bool sendBreak(int ms) { return m_open && m_port.sendBreak(ms); }
    // While on, inputLinesChanged() follows CTS, DSR, DCD and RI.
    void watchInputLines(bool on) { m_port.watchInputLines(on); }
    std::optional<core::InputLines> inputLines() const { return m_port.inputLines(); }
    // Tests record the local port's line calls.
    void setLineCalls(core::LineCalls &calls) { m_port.setLineCalls(calls); }

    // --- The claim ---------------------------------------------------------
    // The channel is the claimant's until release() or the port closes.
    // False when the port is not open or another client holds it. What the
    // receiver had got so far is logged first.
    bool claim(const QString &claimant);
    // unread: bytes the claimant read but that were not its own (what the
    // device said after a transfer's last answer, in the same read): they
    // are read again, ahead of the port's, and so reach the log.
    void release(const QByteArray &unread = {});
    bool isClaimed() const { return !m_claimant.isEmpty(); }
    QString claimant() const { return m_claimant; }
    // Open, not claimed, not settling: the log and the sends may use it.
    bool freeForSession() const { return m_open && !isClaimed() && !held(); }

signals:
    void connectFinished(bool ok);
    void portStateChanged(bool open);
    void portColourChanged(core::PortColour colour);
    void portRelocated(const QString &name, const QString &location);
    // Bytes arrived for the session (not while claimed).
    void readable();
    // The watch is about to close a lost port: what arrived is to be read now.
    void aboutToLose();
    // The settle time after a reconnection is over.
    void settled();
    // The channel's state changed in a way the send modes look at (opened,
    // closed, claimed, released, settled).
    void changed();
    // A client is about to take the channel: the session's reading stops.
    void aboutToClaim();
    // The claimant, or empty once the channel is the session's again.
    void claimChanged(const QString &claimant);
    // The input lines changed; empty: the port has none.
    void inputLinesChanged(const std::optional<core::InputLines> &lines);
    // Received bytes for the claimant.
    void claimedInput(const QByteArray &bytes);
    // Every byte read from the port, whoever reads it (the log or the
    // claimant), as read: the clients of a shared port get them all.
    void bytesRead(const QByteArray &bytes);

private:
    enum class Opening { None, ByUser, Reconnect };
    bool OpenComPort(const QString &location, Opening purpose);
    void portOpened(bool ok);
    void reconnectDone(bool ok);
    QString reconnectLocation();
    void CloseComPort();
    void watchBeat(bool alive);
    void passClaimedInput();
    void endClaim();

    core::TerminalPort m_port;
    core::PortDirectory m_directory;
    Clock m_clock;
    QTimer m_checkConnect;
    QTimer m_reconnectSettle;
    qint64 m_settleEnd = 0;
    bool m_settling = false;
    Opening m_opening = Opening::None;
    QString m_location;
    QString m_stableLocation;
    core::LineSettings m_settings;
    bool m_open = false;
    bool m_wanted = false;
    bool m_autoConnect = false;
    QString m_claimant;
    // Given back by the last claimant, not yet read again.
    QByteArray m_returned;
};

} // namespace session
