#include "core/SerialPortAccess.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace {

// Bytes read from the device but not yet taken by the receive poll; beyond
// this they wait in the system's queue.
constexpr qint64 kReadBufferBytes = 64 * 1024;

QSerialPort::StopBits toQt(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialPortAccess::SerialPortAccess(QObject *parent) : QObject(parent) {
    port_.setReadBufferSize(kReadBufferBytes);
    connect(&port_, &QSerialPort::readyRead, this, &SerialPortAccess::readable);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPortAccess::onError);
}

bool SerialPortAccess::open(const QString &location, const LineSettings &settings) {
    close();
    ++openCount_;
    settings_ = settings;
    // Lock the device itself, not the name it was reached by, so that a port
    // listed under a link is still exclusive against its other names.
    const QString device = QFileInfo(location).canonicalFilePath();
    port_.setPortName(device.isEmpty() ? location : device);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    const bool applied = isSupported(settings) && port_.setBaudRate(settings.baudRate) &&
                         port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                         port_.setParity(QSerialPort::NoParity) && port_.setStopBits(toQt(settings.stopBits)) &&
                         port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!applied) {
        close();
        return false;
    }
    // Modem lines held inactive; a device without them (a pseudo-terminal)
    // refuses the request, which is no reason to fail the open.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    return true;
}

void SerialPortAccess::close() {
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

bool SerialPortAccess::probe() {
    if (!port_.isOpen())
        return false;
    const bool alive = port_.setBaudRate(settings_.baudRate);
    port_.clearError();
    return alive;
}

qint64 SerialPortAccess::systemQueued() const {
    int queued = 0;
#ifdef Q_OS_UNIX
    // Bytes the system holds that Qt has not fetched yet.
    if (::ioctl(port_.handle(), FIONREAD, &queued) != 0)
        queued = 0;
#endif
    return queued;
}

qint64 SerialPortAccess::bytesWaiting() {
    port_.clearError();
    if (!port_.isOpen())
        return 0;
    // Bytes still in the system's queue are waiting too: a tick that
    // overlooked them could end a packet in the middle.
    return port_.bytesAvailable() + systemQueued();
}

QByteArray SerialPortAccess::read(qint64 maxBytes) {
    if (!port_.isOpen() || maxBytes <= 0)
        return {};
    QByteArray bytes = port_.read(maxBytes);
    // What the system still holds is fetched through Qt, which reads only
    // once the device reports bytes, so the order of bytes is kept.
    while (bytes.size() < maxBytes && systemQueued() > 0 && port_.waitForReadyRead(0))
        bytes += port_.read(maxBytes - bytes.size());
    port_.clearError();
    return bytes;
}

void SerialPortAccess::write(const QByteArray &bytes) {
    if (!port_.isOpen())
        return;
    port_.write(bytes);
    port_.flush();
}

void SerialPortAccess::purge() {
    if (port_.isOpen())
        port_.clear(QSerialPort::AllDirections);
}

void SerialPortAccess::onError(QSerialPort::SerialPortError error) {
    // A device that went away (adapter pulled, pseudo-terminal closed) makes
    // every further read fail at once, and Qt reports it in a tight loop until
    // the port is closed. Release the device now; the connection watch then
    // finds the port dead on its next tick, as it would have anyway.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen() ||
        releasePending_)
        return;
    releasePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, lostOpen = openCount_] {
            releasePending_ = false;
            if (openCount_ == lostOpen)
                close();
        },
        Qt::QueuedConnection);
}
