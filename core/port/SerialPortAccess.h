#pragma once

#include "core/LineSettings.h"
#include "core/platform/InputLineWaiter.h"
#include "core/platform/LineCalls.h"
#include "core/port/PortAccess.h"

#include <QByteArray>
#include <QSerialPort>
#include <QTimer>

namespace core {

// The program's single serial port: the byte-level operations the connection,
// the send routine and the receive poll use. The rest of the program never
// touches the platform's serial API.
class SerialPortAccess : public PortAccess {
    Q_OBJECT
public:
    explicit SerialPortAccess(QObject *parent = nullptr);
    ~SerialPortAccess() override;

    // Opens the device exclusively and applies the settings; false when the
    // device is absent, busy or refuses the settings (the port is then closed),
    // with the reason in errorString(). Other terminals (picocom, tio,
    // minicom) are kept out by the same advisory lock they take themselves.
    bool open(const QString &location, const LineSettings &settings);
    // The same open, reported through opened() before it returns.
    void openAsync(const QString &location, const LineSettings &settings) override;
    bool isOpening() const override { return false; }
    void close() override;
    // Why the last open failed, in the system's words, with a hint where the
    // user can do something about it.
    QString errorString() const override { return m_error; }

    // Applies the settings of the last open once more: true only while a port
    // is open on the handle and the device is still there.
    bool probe() override;

    // Bytes received and not yet read; clears the port's error state.
    qint64 bytesWaiting() override;
    // Returns at once with up to maxBytes of the bytes waiting.
    QByteArray read(qint64 maxBytes) override;
    // Hands the bytes to the port without waiting for them to leave the line;
    // what the device does not take yet stays queued, in order. Returns the
    // bytes queued, 0 when the port is not open.
    qint64 write(const QByteArray &bytes) override;
    // How long, in ms, the output written so far still needs before all of it
    // has left: 0 once nothing is queued. Output the device is not taking
    // at all (a full pseudo-terminal, flow control holding the line) is
    // looked at again after kStalledOutputRecheckMs.
    qint64 outputPendingMs() const override;
    static constexpr qint64 kStalledOutputRecheckMs = 20;
    // Drops the unread input at once. Output already written is neither
    // waited for nor dropped: it goes out in order.
    void purge() override;
    // Drops whatever is queued in both directions (the port is being closed).
    void discard() override;

    bool hasLineControl() const override { return true; }
    bool changeLine(const LineSettings &settings) override;
    void setOutputs(const ModemOutputs &outputs) override;
    bool pulse(ModemLine line, int ms) override;
    bool sendBreak(int ms) override;
    // While watched and open the lines are read at the start and after each
    // change the driver reports to a waiting thread: nothing runs while they
    // stay as they are, and a device without them (a pseudo-terminal) is
    // asked once.
    void watchInputLines(bool on) override;
    std::optional<InputLines> inputLines() const override { return m_inputLines; }

    // Tests put a recorder of the line's calls here; the system's by default.
    void setLineCalls(LineCalls &calls) { m_calls = &calls; }

private:
    // Sets the framing and reads it back: every flag must be what was asked,
    // whatever the driver kept from an earlier open.
    bool applyExactly(const LineSettings &settings);
    void applyOutputs();
    bool driverOwnsRts() const { return m_settings.flow == FlowControl::RtsCts; }
    bool chosen(ModemLine line) const { return line == ModemLine::Dtr ? m_outputs.dtr : m_outputs.rts; }
    void endPulse();
    void endBreak();
    void updateInputWatch();
    void readInputLines();

    void onError(QSerialPort::SerialPortError error);
    qint64 systemQueued() const;
    bool writable(int timeoutMs) const;
    QString openFailure(const QString &device) const;

    QSerialPort m_port;
    LineSettings m_settings;
    bool m_releasePending = false;
    quint64 m_openCount = 0;
    QString m_error;

    LineCalls *m_calls = &systemLineCalls();
    ModemOutputs m_outputs;
    std::optional<ModemLine> m_pulsing;
    QTimer m_pulseTimer;
    QTimer m_breakTimer;
    bool m_watchInput = false;
    std::optional<InputLines> m_inputLines;
    // Last, so that its thread ends before anything it reaches goes.
    InputLineWaiter m_inputWaiter;
};

} // namespace core
