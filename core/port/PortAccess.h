#pragma once

#include "core/LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace core {

// Why an open failed, in the user's words: another program holds the device
// (%1: the system's reason), or the port refused the line settings.
inline const QString kPortBusyText = QStringLiteral("Порт занят другой программой (%1).");
inline const QString kSettingsRefusedText = QStringLiteral("Порт не принимает эти настройки линии.");

// A port the terminal talks through, whether a serial device on this machine
// or a serial port on another one reached over the network: the byte-level
// operations of the connection, the send routine and the receive poll, which
// therefore never care which it is.
class PortAccess : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts opening and applying the settings; opened() follows exactly once
    // unless close() or another openAsync() comes first. A port that opens
    // without waiting (a local device) reports before openAsync() returns;
    // one that takes time reports later from the event loop, and the window
    // goes on meanwhile.
    virtual void openAsync(const QString &location, const LineSettings &settings) = 0;
    virtual bool isOpening() const = 0;
    virtual void close() = 0;
    // Why the last open failed, in the system's words.
    virtual QString errorString() const = 0;

    // True only while the port is open and its far end is still there.
    virtual bool probe() = 0;

    // Bytes received and not yet read.
    virtual qint64 bytesWaiting() = 0;
    // Returns at once with up to maxBytes of the bytes waiting.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // Hands the bytes to the port without waiting for them to leave; returns
    // how many it took, 0 when the port is closed or its far end is gone
    // (the bytes are then not sent, and probe() says so).
    virtual qint64 write(const QByteArray &bytes) = 0;
    // How long, in ms, the output written so far still needs before all of it
    // has left: 0 once nothing is queued. Periodic sending waits for it.
    virtual qint64 outputPendingMs() const = 0;
    // Drops the unread input before a send.
    virtual void purge() = 0;
    // Drops whatever is queued (the port is being closed).
    virtual void discard() = 0;

    // --- The line's controls ----------------------------------------------
    // Whether this port can set its line and drive its modem lines (a raw
    // TCP connection cannot).
    virtual bool hasLineControl() const { return false; }
    // New framing on the open port, applied at once; on false the port keeps
    // the settings it had and errorString() says why.
    virtual bool changeLine(const LineSettings &settings) {
        Q_UNUSED(settings)
        return false;
    }
    // The outputs as the user wants them: applied now when open and again at
    // every open. With RTS/CTS flow control RTS is the driver's.
    virtual void setOutputs(const ModemOutputs &outputs) { Q_UNUSED(outputs) }
    // Turns a line over for ms, then back to the chosen state; false when
    // the port cannot (closed, no such line, a pulse under way).
    virtual bool pulse(ModemLine line, int ms) {
        Q_UNUSED(line)
        Q_UNUSED(ms)
        return false;
    }
    // A break condition for ms; false when the port cannot send one now.
    virtual bool sendBreak(int ms) {
        Q_UNUSED(ms)
        return false;
    }
    // Whether inputLinesChanged() is wanted (the lamps are shown); a port
    // only watches its input lines while someone looks.
    virtual void watchInputLines(bool on) { Q_UNUSED(on) }
    // The input lines as last known; empty where the port has none.
    virtual std::optional<InputLines> inputLines() const { return std::nullopt; }

signals:
    // The input lines changed (or became known, or unknown: empty).
    void inputLinesChanged(const std::optional<core::InputLines> &lines);
    // The open started by openAsync() ended; on false errorString() says why.
    void opened(bool ok);
    // Bytes have arrived (the receive poll uses it instead of a fixed beat).
    void readable();
    // The open port reported that its far end is gone (an error, a hang-up,
    // the end of the stream): probe() now says so, and the connection watch
    // need not wait for its next beat to find out.
    void lost();
};

} // namespace core
