#include "core/port/SerialPortAccess.h"

#include "core/platform/DeviceCalls.h"
#include "core/platform/DeviceKind.h"
#include "core/platform/UucpLock.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace core {

namespace {

// Bytes read from the device but not yet taken by the receive poll; beyond
// this they wait in the system's queue.
constexpr qint64 kReadBufferBytes = 64 * 1024;

// A pseudo-terminal keeps 8 data bits without parity whatever is asked: it
// has no framing of its own, and the bytes pass unchanged.
bool framesItself(const LineSettings &kept) { return kept.dataBits != 8 || kept.parity != Parity::None; }

} // namespace

SerialPortAccess::SerialPortAccess(QObject *parent) : PortAccess(parent) {
    m_port.setReadBufferSize(kReadBufferBytes);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortAccess::readable);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortAccess::onError);
    for (QTimer *timer : {&m_pulseTimer, &m_breakTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_pulseTimer, &QTimer::timeout, this, &SerialPortAccess::endPulse);
    connect(&m_breakTimer, &QTimer::timeout, this, &SerialPortAccess::endBreak);
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
    // A file or a pipe would only fail later on the line settings, in the
    // system's puzzling words.
    if (QFileInfo::exists(location) && !isCharacterDevice(location)) {
        m_error = QStringLiteral("%1 — не последовательный порт (это не устройство).").arg(location);
        return false;
    }
    // Programs that mark a device with a lock file instead (minicom) are
    // honoured; Qt's own open would take such a file for stale and remove it.
    if (const std::optional<UucpLock> held = liveUucpLock(device.isEmpty() ? location : device)) {
        m_error = QStringLiteral("Порт занят другой программой (%1).").arg(held->description());
        return false;
    }
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
    // The line is set here rather than through Qt, which knows neither
    // every rate nor every flag a driver may keep from an earlier open.
    if (!applyExactly(settings)) {
        close();
        return false;
    }
    applyOutputs();
    updateInputWatch();
    m_port.clearError();
    return true;
}

void SerialPortAccess::openAsync(const QString &location, const LineSettings &settings) {
    const bool ok = open(location, settings);
    emit opened(ok);
}

SerialPortAccess::~SerialPortAccess() { m_inputWaiter.stop(); }

void SerialPortAccess::close() {
    if (m_breakTimer.isActive())
        endBreak();
    m_pulseTimer.stop();
    m_pulsing.reset();
    // The waiting thread ends before its descriptor does.
    m_inputWaiter.stop();
    if (m_port.isOpen())
        m_port.close();
    updateInputWatch();
    m_port.clearError();
}

bool SerialPortAccess::probe() {
    if (!m_port.isOpen())
        return false;
    return lineAnswers(m_port.handle());
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
    // the port is closed. Release the device now and say so: the connection
    // watch need not wait for its next beat to find the port dead.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !m_port.isOpen() ||
        m_releasePending)
        return;
    m_releasePending = true;
    QMetaObject::invokeMethod(
        this,
        [this, lostOpen = m_openCount] {
            m_releasePending = false;
            if (m_openCount != lostOpen)
                return;
            close();
            emit lost();
        },
        Qt::QueuedConnection);
}

bool SerialPortAccess::applyExactly(const LineSettings &settings) {
    QString reason;
    if (!isSupported(settings) || !m_calls->applyLine(m_port.handle(), settings, reason)) {
        m_error = kSettingsRefusedText + QStringLiteral("\n") +
                  (reason.isEmpty() ? describe(settings) : describe(settings) + QStringLiteral(": ") + reason);
        return false;
    }
    std::optional<LineSettings> kept = m_calls->readLine(m_port.handle());
    // A driver may keep a flag from an earlier open that a first pass did
    // not clear; a second pass sets the line from what it now holds.
    if (kept != settings && m_calls->applyLine(m_port.handle(), settings, reason))
        kept = m_calls->readLine(m_port.handle());
    if (kept && !framesItself(*kept)) {
        kept->dataBits = settings.dataBits;
        kept->parity = settings.parity;
        // CSTOPB means one and a half with 5 data bits.
        if (kept->stopBits != StopBits::One)
            kept->stopBits = settings.dataBits == 5 ? StopBits::OneAndHalf : StopBits::Two;
    }
    if (kept != settings) {
        m_error = kSettingsRefusedText +
                  QStringLiteral("\nЗапрошено %1, устройство оставило %2.")
                      .arg(describe(settings), kept ? describe(*kept) : QStringLiteral("неизвестно что"));
        return false;
    }
    m_settings = settings;
    return true;
}

bool SerialPortAccess::changeLine(const LineSettings &settings) {
    if (!m_port.isOpen())
        return false;
    const LineSettings before = m_settings;
    if (applyExactly(settings)) {
        // RTS may have changed hands between the driver and the user.
        applyOutputs();
        return true;
    }
    // No half-set line: the port goes on as it was.
    const QString why = m_error;
    applyExactly(before);
    m_error = why;
    return false;
}

void SerialPortAccess::setOutputs(const ModemOutputs &outputs) {
    m_outputs = outputs;
    if (m_port.isOpen() && !m_pulsing)
        applyOutputs();
}

void SerialPortAccess::applyOutputs() {
    // A device without modem lines (a pseudo-terminal) refuses; that is no
    // reason to fail.
    m_calls->setModemLine(m_port.handle(), ModemLine::Dtr, m_outputs.dtr);
    if (!driverOwnsRts())
        m_calls->setModemLine(m_port.handle(), ModemLine::Rts, m_outputs.rts);
}

bool SerialPortAccess::pulse(ModemLine line, int ms) {
    if (!m_port.isOpen() || m_pulsing || ms <= 0 || (line == ModemLine::Rts && driverOwnsRts()))
        return false;
    if (!m_calls->setModemLine(m_port.handle(), line, !chosen(line)))
        return false;
    m_pulsing = line;
    m_pulseTimer.start(ms);
    return true;
}

void SerialPortAccess::endPulse() {
    if (const std::optional<ModemLine> line = std::exchange(m_pulsing, std::nullopt); line && m_port.isOpen())
        applyOutputs();
}

bool SerialPortAccess::sendBreak(int ms) {
    if (!m_port.isOpen() || m_breakTimer.isActive() || ms <= 0)
        return false;
    if (!m_calls->setBreak(m_port.handle(), true))
        return false;
    m_breakTimer.start(ms);
    return true;
}

void SerialPortAccess::endBreak() {
    m_breakTimer.stop();
    if (m_port.isOpen())
        m_calls->setBreak(m_port.handle(), false);
}

void SerialPortAccess::watchInputLines(bool on) {
    m_watchInput = on;
    updateInputWatch();
}

void SerialPortAccess::updateInputWatch() {
    if (m_watchInput && m_port.isOpen()) {
        readInputLines();
        // Only a device that has the lines is waited on.
        if (m_inputLines && !m_inputWaiter.running())
            m_inputWaiter.start(*m_calls, int(m_port.handle()), [this] {
                QMetaObject::invokeMethod(this, &SerialPortAccess::readInputLines, Qt::QueuedConnection);
            });
        return;
    }
    m_inputWaiter.stop();
    if (std::exchange(m_inputLines, std::nullopt))
        emit inputLinesChanged(std::nullopt);
}

void SerialPortAccess::readInputLines() {
    if (!m_port.isOpen())
        return;
    const std::optional<InputLines> lines = m_calls->inputLines(m_port.handle());
    if (lines != m_inputLines) {
        m_inputLines = lines;
        emit inputLinesChanged(lines);
    }
}

} // namespace core
