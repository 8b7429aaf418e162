#include "core/SerialPortAccess.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
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

qint64 SerialPortAccess::bytesWaiting() {
    port_.clearError();
    if (!port_.isOpen())
        return 0;
    qint64 queued = 0;
#ifdef Q_OS_UNIX
    // Bytes the system holds that Qt has not fetched yet are waiting too: a
    // tick that overlooked them could end a packet in the middle.
    int systemQueue = 0;
    if (::ioctl(port_.handle(), FIONREAD, &systemQueue) == 0)
        queued = systemQueue;
#endif
    return port_.bytesAvailable() + queued;
}

QByteArray SerialPortAccess::read(qint64 maxBytes) {
    if (!port_.isOpen() || maxBytes <= 0)
        return {};
    QByteArray bytes = port_.read(maxBytes);
#ifdef Q_OS_UNIX
    // What Qt has fetched is older than what the system still holds, so the
    // rest comes straight from the device, in order.
    if (bytes.size() < maxBytes) {
        const qsizetype fetched = bytes.size();
        bytes.resize(maxBytes);
        const ssize_t n = ::read(port_.handle(), bytes.data() + fetched, maxBytes - fetched);
        bytes.resize(fetched + std::max<ssize_t>(n, 0));
    }
#endif
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
