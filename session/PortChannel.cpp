#include "session/PortChannel.h"

#include <QThread>

#include <chrono>
#include <utility>

namespace session {

namespace {

// The watch looks at the port this often.
constexpr int kCheckConnectMs = 1000;
// Every open of the port pauses this long first.
constexpr unsigned long kOpenPauseMs = 5;

qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

PortChannel::PortChannel(core::PortDirectory directory, QObject *parent)
    : QObject(parent), m_directory(std::move(directory)), m_clock(steadyMs) {
    connect(&m_port, &core::PortAccess::opened, this, &PortChannel::portOpened);
    connect(&m_port, &core::PortAccess::inputLinesChanged, this, &PortChannel::inputLinesChanged);
    connect(&m_port, &core::PortAccess::readable, this, [this] {
        if (isClaimed())
            passClaimedInput();
        else
            emit readable();
    });
    // A port that reports its loss is looked at now, not on the next beat.
    connect(&m_port, &core::PortAccess::lost, this, &PortChannel::CheckConnectTimer, Qt::QueuedConnection);
    m_checkConnect.setInterval(kCheckConnectMs);
    connect(&m_checkConnect, &QTimer::timeout, this, &PortChannel::CheckConnectTimer);
    m_checkConnect.start();
    // The device's start-up time is waited for on a timer: the window goes
    // on meanwhile, and what the device says waits in the port's queue.
    m_reconnectSettle.setSingleShot(true);
    connect(&m_reconnectSettle, &QTimer::timeout, this, &PortChannel::ReconnectSettleTimer);
}

void PortChannel::setClock(Clock clock) { m_clock = clock ? std::move(clock) : Clock(steadyMs); }

// --- Opening and the watch ----------------------------------------------------

bool PortChannel::connectPort(const QString &location, const core::LineSettings &settings,
                              const QString &stableLocation) {
    m_settings = settings;
    m_location = location;
    m_stableLocation = stableLocation;
    return OpenComPort(location, Opening::ByUser);
}

bool PortChannel::OpenComPort(const QString &location, Opening purpose) {
    // Never leave a port open on an old handle.
    if (m_port.probe())
        m_port.close();
    QThread::msleep(kOpenPauseMs);
    if (location.isEmpty())
        return false;
    m_opening = purpose;
    // A local port reports before this returns, a network port later.
    m_port.openAsync(location, m_settings);
    return true;
}

// An adapter the user connected is looked for by its lasting name: it may
// be back under another device name.
QString PortChannel::reconnectLocation() {
    std::optional<QString> stableNow;
    if (const std::optional<core::PortEntry> now = m_directory.findStable(m_stableLocation)) {
        stableNow = now->location;
        m_location = now->location;
        emit portRelocated(now->name, now->location);
    }
    return core::reopenLocation(m_location, m_stableLocation, stableNow);
}

void PortChannel::portOpened(bool ok) {
    const Opening purpose = std::exchange(m_opening, Opening::None);
    if (ok) {
        m_open = true;
        if (purpose == Opening::ByUser)
            m_wanted = true;
        emit portStateChanged(true);
    }
    if (purpose == Opening::ByUser)
        emit connectFinished(ok);
    else if (purpose == Opening::Reconnect)
        reconnectDone(ok);
    emit changed();
}

void PortChannel::disconnectPort() {
    m_wanted = false;
    CloseComPort();
    emit changed();
}

void PortChannel::CloseComPort() {
    m_reconnectSettle.stop();
    m_settling = false;
    // An open under way is dropped without a report.
    if (std::exchange(m_opening, Opening::None) != Opening::None)
        m_port.close();
    if (!m_open)
        return;
    m_port.discard();
    m_port.close();
    m_returned.clear();
    m_open = false;
    endClaim();
    emit portStateChanged(false);
}

void PortChannel::CheckConnectTimer() { watchBeat(m_port.probe()); }

void PortChannel::watchBeat(bool alive) {
    const core::WatchAction action = core::watchStep({alive, m_autoConnect, m_wanted, m_open, isOpening()});
    if (action.colour)
        emit portColourChanged(*action.colour);
    if (action.close) {
        // What the device sent before the connection went is still shown,
        // or handed to the claimant.
        if (isClaimed())
            passClaimedInput();
        else
            emit aboutToLose();
        CloseComPort();
    }
    if (action.reopen && !OpenComPort(reconnectLocation(), Opening::Reconnect))
        reconnectDone(false);
    emit changed();
}

void PortChannel::reconnectDone(bool ok) {
    emit portColourChanged(core::reopenColour(ok));
    if (!ok)
        return;
    m_settling = true;
    m_settleEnd = m_clock() + kReconnectSettleMs;
    m_reconnectSettle.start(int(kReconnectSettleMs));
}

void PortChannel::ReconnectSettleTimer() {
    if (!m_settling)
        return;
    // The timer may be early on the clock the wait is measured on.
    if (const qint64 left = m_settleEnd - m_clock(); left > 0)
        return m_reconnectSettle.start(int(left));
    m_settling = false;
    emit settled();
    emit changed();
}

// --- Raw bytes -----------------------------------------------------------------

qint64 PortChannel::write(const QByteArray &bytes) {
    const qint64 taken = m_open ? m_port.write(bytes) : 0;
    // The claimant learns of a lost connection from the watch, after its
    // call: not from inside it.
    if (taken <= 0 && m_open && isClaimed())
        QMetaObject::invokeMethod(
            this, [this] { watchBeat(m_port.probe()); }, Qt::QueuedConnection);
    return taken;
}

// --- The line ------------------------------------------------------------------

bool PortChannel::setLineSettings(const core::LineSettings &settings) {
    if (m_open && !m_port.changeLine(settings))
        return false;
    m_settings = settings;
    return true;
}

// --- The claim -----------------------------------------------------------------

bool PortChannel::claim(const QString &claimant) {
    if (!m_open || isClaimed() || claimant.isEmpty())
        return false;
    emit aboutToClaim();
    m_claimant = claimant;
    emit claimChanged(m_claimant);
    emit changed();
    // Bytes that arrived after the session's last read are the claimant's.
    if (m_port.bytesWaiting() > 0)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isClaimed())
                    passClaimedInput();
            },
            Qt::QueuedConnection);
    return true;
}

void PortChannel::release(const QByteArray &unread) {
    if (!isClaimed())
        return;
    if (m_open)
        m_returned += unread;
    endClaim();
    emit changed();
    // What arrived since the claimant's last read goes to the log.
    if (m_open)
        emit readable();
}

void PortChannel::endClaim() {
    if (std::exchange(m_claimant, QString()).isEmpty())
        return;
    emit claimChanged(QString());
}

void PortChannel::passClaimedInput() {
    if (!m_open)
        return;
    if (const qint64 waiting = bytesWaiting(); waiting > 0)
        emit claimedInput(read(waiting));
}

QByteArray PortChannel::read(qint64 maxBytes) {
    // Given-back bytes were passed on to bytesRead() when first read.
    QByteArray bytes = m_returned.left(maxBytes);
    m_returned.remove(0, bytes.size());
    const QByteArray fresh = m_port.read(maxBytes - bytes.size());
    if (!fresh.isEmpty())
        emit bytesRead(fresh);
    return bytes + fresh;
}

} // namespace session
