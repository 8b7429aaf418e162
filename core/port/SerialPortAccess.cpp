#include "core/port/SerialPortAccess.h"

#include "core/platform/DeviceCalls.h"

#include <QFileInfo>

#include <algorithm>

namespace core {

namespace {

// Bytes read from the device but not yet taken by the receive poll; beyond
// this they wait in the system's queue.
constexpr qint64 kReadBufferBytes = 64 * 1024;

QSerialPort::StopBits toQt(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf:
        // Qt makes one stop bit of it on Unix; the line discipline gives one
        // and a half for CSTOPB with 5 data bits, the only size it is
        // accepted with.
        return QSerialPort::TwoStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialPortAccess::SerialPortAccess(QObject *parent) : PortAccess(parent) {
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortAccess::readable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortAccess::onError);
}

bool SerialPortAccess::open(const QString &location, const LineSettings &settings) {
    close();
    ++m_openCount;
    m_settings = settings;
    // Lock the device itself, not the name it was reached by, so that a port
    // listed under a link is still exclusive against its other names.
    const QString device = QFileInfo(location).canonicalFilePath();
    m_port.setPortName(device.isEmpty() ? location : device);
    m_error.clear();
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = openFailure(device.isEmpty() ? location : device);
        m_port.clearError();
        return false;
    }
    // The lock other serial terminals take on the device; neither Qt's lock
    // file nor its exclusive mode is seen by them.
    if (QString reason; !lockDeviceExclusive(m_port.handle(), reason)) {
        m_error = kPortBusyText.arg(reason);
        close();
        return false;
    }
    const bool applied = isSupported(settings) && m_port.setBaudRate(settings.baudRate) &&
                         m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                         m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(toQt(settings.stopBits)) &&
                         m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        m_error = kSettingsRefusedText;
        close();
        return false;
    }
    // Modem lines held inactive; a device without them (a pseudo-terminal)
    // refuses the request, which is no reason to fail the open.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    return true;
}

void SerialPortAccess::openAsync(const QString &location, const LineSettings &settings) {
    const bool ok = open(location, settings);
    emit opened(ok);
}

void SerialPortAccess::close() {
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialPortAccess::probe() {
    if (!m_port.isOpen())
        return false;
    const bool alive = m_port.setBaudRate(m_settings.baudRate);
    m_port.clearError();
    return alive;
}

qint64 SerialPortAccess::systemQueued() const {
    // Bytes the system holds that Qt has not fetched yet.
    return bytesQueuedForReading(m_port.handle());
}

qint64 SerialPortAccess::bytesWaiting() {
    m_port.clearError();
    if (!m_port.isOpen())
        return 0;
    // Bytes still in the system's queue are waiting too: a tick that
    // overlooked them could end a packet in the middle.
    return m_port.bytesAvailable() + systemQueued();
}

QByteArray SerialPortAccess::read(qint64 maxBytes) {
    if (!m_port.isOpen() || maxBytes <= 0)
        return {};
    QByteArray bytes = m_port.read(maxBytes);
    // What the system still holds is fetched through Qt, which reads only
    // once the device reports bytes, so the order of bytes is kept.
    while (bytes.size() < maxBytes && systemQueued() > 0 && m_port.waitForReadyRead(0))
        bytes += m_port.read(maxBytes - bytes.size());
    m_port.clearError();
    return bytes;
}

qint64 SerialPortAccess::write(const QByteArray &bytes) {
    if (!m_port.isOpen())
        return 0;
    const qint64 taken = m_port.write(bytes);
    // Qt reports a write to a full device as a lost resource, so it is only
    // pushed on while the device takes bytes; the rest goes out in the
    // background.
    if (writable(0))
        m_port.flush();
    return std::max<qint64>(taken, 0);
}

bool SerialPortAccess::writable(int timeoutMs) const { return waitWritable(m_port.handle(), timeoutMs); }

qint64 SerialPortAccess::outputPendingMs() const {
    if (!m_port.isOpen())
        return 0;
    if (m_port.bytesToWrite() > 0)
        return kStalledOutputRecheckMs;
    // Bytes the system still has to put on the line (a pseudo-terminal
    // reports none: its reader takes them).
    const int queued = bytesQueuedForWriting(m_port.handle());
    if (queued <= 0 || m_settings.baudRate <= 0)
        return 0;
    // A character is its data bits framed by a start and a stop bit or two.
    const int bitsPerChar = 1 + m_settings.dataBits + (m_settings.stopBits == StopBits::One ? 1 : 2);
    const qint64 ms = (qint64(queued) * bitsPerChar * 1000 + m_settings.baudRate - 1) / m_settings.baudRate;
    return std::max<qint64>(ms, 1);
}

void SerialPortAccess::purge() {
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

void SerialPortAccess::discard() {
    if (m_port.isOpen())
        m_port.clear(QSerialPort::AllDirections);
}

QString SerialPortAccess::openFailure(const QString &device) const {
    QString reason = m_port.errorString();
    if (m_port.error() != QSerialPort::PermissionError)
        return reason;
    // Qt reports a device held through its lock file (another terminal, a
    // second window) as a permission error too; the hint on groups only fits
    // when the device's mode really keeps us out. The name is the device's
    // path: Qt's port name is short ("pts/0") and would never be found.
    if (mayReadAndWrite(device))
        return kPortBusyText.arg(reason);
    const QString group = QFileInfo(device).group();
    return reason + QStringLiteral("\nВозможно, пользователя нужно добавить в группу %1, которой принадлежит "
                                   "устройство %2 (и войти в систему заново).")
                        .arg(group.isEmpty() ? QStringLiteral("dialout") : group, device);
}

void SerialPortAccess::onError(QSerialPort::SerialPortError error) {
    // A device that went away (adapter pulled, pseudo-terminal closed) makes
    // every further read fail at once, and Qt reports it in a tight loop until
    // the port is closed. Release the device now; the connection watch then
    // finds the port dead on its next tick, as it would have anyway.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_port.isOpen() ||
        m_releasePending)
        return;
    m_releasePending = true;
    QMetaObject::invokeMethod(
        this,
        [this, lostOpen = m_openCount] {
            m_releasePending = false;
            if (m_openCount == lostOpen)
                close();
        },
        Qt::QueuedConnection);
}

} // namespace core
