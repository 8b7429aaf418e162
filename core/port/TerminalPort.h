#pragma once

#include "core/port/NetPort.h"
#include "core/port/PortAccess.h"
#include "core/port/SerialPortAccess.h"

namespace core {

// The terminal's one port: a serial device on this machine or a network
// port, whichever the location of the last open names. The rest of the
// window holds this one object for the whole run.
class TerminalPort : public PortAccess {
    Q_OBJECT
public:
    explicit TerminalPort(QObject *parent = nullptr);

    // Whether the last open went to a network port.
    bool isNetwork() const { return m_active == &m_net; }

    void openAsync(const QString &location, const LineSettings &settings) override;
    bool isOpening() const override { return m_active->isOpening(); }
    void close() override { m_active->close(); }
    QString errorString() const override { return m_active->errorString(); }
    bool probe() override { return m_active->probe(); }
    qint64 bytesWaiting() override { return m_active->bytesWaiting(); }
    QByteArray read(qint64 maxBytes) override { return m_active->read(maxBytes); }
    qint64 write(const QByteArray &bytes) override { return m_active->write(bytes); }
    qint64 outputPendingMs() const override { return m_active->outputPendingMs(); }
    void purge() override { m_active->purge(); }
    void discard() override { m_active->discard(); }

    bool hasLineControl() const override { return m_active->hasLineControl(); }
    bool changeLine(const LineSettings &settings) override { return m_active->changeLine(settings); }
    // Kept by both, so that the next open of either applies them.
    void setOutputs(const ModemOutputs &outputs) override;
    bool pulse(ModemLine line, int ms) override { return m_active->pulse(line, ms); }
    bool sendBreak(int ms) override { return m_active->sendBreak(ms); }
    void watchInputLines(bool on) override;
    std::optional<InputLines> inputLines() const override { return m_active->inputLines(); }

    // Tests record the local port's line calls.
    void setLineCalls(LineCalls &calls) { m_serial.setLineCalls(calls); }

private:
    SerialPortAccess m_serial;
    NetPort m_net;
    PortAccess *m_active = &m_serial;
};

} // namespace core
