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

private:
    SerialPortAccess m_serial;
    NetPort m_net;
    PortAccess *m_active = &m_serial;
};

} // namespace core
