#include "core/port/NetPort.h"

#include "core/platform/DeviceCalls.h"

#include <utility>

namespace core {

namespace {

// Bytes taken from the connection but not yet read by the receive poll;
// beyond this they wait in the system and the server is slowed down.
constexpr qint64 kReadBufferBytes = 64 * 1024;

// Name lookup, connecting and setting the line together; a server on the
// local network answers within milliseconds.
constexpr int kOpenTimeoutMs = 5000;

// A connection whose far end vanished without a word (cable, power) is
// noticed after about kKeepIdleS + kKeepCount * kKeepIntervalS seconds.
constexpr int kKeepIdleS = 5;
constexpr int kKeepIntervalS = 2;
constexpr int kKeepCount = 3;

// The purge of the server's buffer of bytes from the device.
constexpr char kPurgeReceiveBuffer = 1;

QString stopBitsText(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::OneAndHalf:
        return QStringLiteral("1,5");
    case StopBits::Two:
        return QStringLiteral("2");
    case StopBits::One:
        break;
    }
    return QStringLiteral("1");
}

} // namespace

NetPort::NetPort(QObject *parent) : PortAccess(parent), m_timeoutMs(kOpenTimeoutMs) {
    m_socket.setReadBufferSize(kReadBufferBytes);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        failOpen(Failure::TimedOut, QStringLiteral("%1: сервер не ответил за %2 мс.").arg(peer()).arg(m_timeoutMs));
    });
    connect(&m_socket, &QTcpSocket::connected, this, &NetPort::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetPort::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetPort::onSocketError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetPort::onDisconnected);
    m_breakTimer.setSingleShot(true);
    m_breakTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_breakTimer, &QTimer::timeout, this, [this] {
        if (hasLineControl())
            m_socket.write(m_codec.requestBreak(false));
    });
}

bool NetPort::isNetLocation(const QString &location) { return NetAddress::parse(location).has_value(); }

QString NetPort::peer() const { return QStringLiteral("%1:%2").arg(m_address.host).arg(m_address.port); }

void NetPort::openAsync(const QString &location, const LineSettings &settings) {
    close();
    m_failure = Failure::None;
    m_error.clear();
    m_opening = true;
    QString why;
    const std::optional<NetAddress> address = NetAddress::parse(location, &why);
    if (!address)
        return failLater(Failure::BadAddress, QStringLiteral("«%1»: %2.").arg(location, why));
    m_address = *address;
    m_settings = settings;
    if (m_address.protocol == NetAddress::Protocol::Rfc2217 && !isSupported(settings))
        return failLater(Failure::NotAccepted, kSettingsRefusedText);
    m_codec = TelnetCodec();
    m_settingsSent = false;
    m_timeout.start(m_timeoutMs);
    m_socket.connectToHost(m_address.host, m_address.port);
}

void NetPort::failLater(Failure failure, const QString &reason) {
    QMetaObject::invokeMethod(
        this,
        [this, failure, reason, attempt = m_attempt] {
            if (attempt == m_attempt && m_opening)
                failOpen(failure, reason);
        },
        Qt::QueuedConnection);
}

void NetPort::close() {
    // A break under way ends before the connection does.
    if (m_breakTimer.isActive()) {
        m_breakTimer.stop();
        if (hasLineControl())
            m_socket.write(m_codec.requestBreak(false));
    }
    m_pulsing.reset();
    if (std::exchange(m_inputLines, std::nullopt))
        emit inputLinesChanged(std::nullopt);
    ++m_attempt;
    m_opening = m_open = false;
    m_timeout.stop();
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        // What Qt still holds goes to the system, which sends it before
        // closing; nothing waits for the server.
        m_socket.flush();
        m_socket.abort();
    }
    m_input.clear();
}

void NetPort::finishOpen() {
    m_opening = false;
    m_timeout.stop();
    m_open = true;
    if (m_address.protocol == NetAddress::Protocol::Rfc2217) {
        sendOutputs();
        m_socket.write(m_codec.requestInputLineReports());
    }
    emit opened(true);
    if (!m_input.isEmpty())
        emit readable();
}

void NetPort::failOpen(Failure failure, const QString &reason) {
    if (!m_opening)
        return;
    m_opening = false;
    m_timeout.stop();
    m_failure = failure;
    m_error = reason;
    m_socket.abort();
    m_input.clear();
    emit opened(false);
}

void NetPort::onConnected() {
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    setTcpKeepAlive(int(m_socket.socketDescriptor()), kKeepIdleS, kKeepIntervalS, kKeepCount);
    if (m_address.protocol == NetAddress::Protocol::RawTcp)
        return finishOpen();
    m_socket.write(m_codec.start(true));
}

void NetPort::onReadyRead() { pump(); }

void NetPort::pump() {
    // Once the server has closed, what it sent before is fetched from the
    // system now rather than at the event loop's leisure: the connection is
    // about to be given up, and these bytes are still to be read.
    if (m_open && !m_pulling && m_socket.bytesAvailable() == 0 && m_socket.state() == QAbstractSocket::ConnectedState &&
        peerGone()) {
        m_pulling = true;
        m_socket.waitForReadyRead(0);
        m_pulling = false;
    }
    const qsizetype before = m_input.size();
    while (m_socket.bytesAvailable() > 0) {
        // While the line is being set up the negotiation must go on however
        // much the device sends meanwhile; later the server is slowed down.
        const qint64 room = kReadBufferBytes - m_input.size();
        if (room <= 0 && !m_opening)
            break;
        const QByteArray bytes = m_socket.read(m_opening ? kReadBufferBytes : room);
        if (m_address.protocol == NetAddress::Protocol::RawTcp) {
            m_input += bytes;
            continue;
        }
        const quint64 attempt = m_attempt;
        handle(m_codec.receive(bytes));
        if (attempt != m_attempt || (!m_open && !m_opening))
            return; // the open failed on what came
    }
    if (m_open && m_input.size() > before)
        emit readable();
}

void NetPort::handle(const TelnetCodec::Received &received) {
    m_input += received.data;
    if (m_opening && m_input.size() > kReadBufferBytes)
        m_input.remove(0, m_input.size() - kReadBufferBytes); // the oldest, sent before the line was set
    if (!received.reply.isEmpty())
        m_socket.write(received.reply);
    for (const TelnetCodec::Event &event : received.events)
        if (event.kind == TelnetCodec::Event::Kind::ModemState)
            takeInputLines(event.lines);
    if (!m_opening)
        return;
    for (const TelnetCodec::Event &event : received.events) {
        using Kind = TelnetCodec::Event::Kind;
        switch (event.kind) {
        case Kind::ComPortEnabled:
            if (!std::exchange(m_settingsSent, true))
                m_socket.write(*m_codec.requestLineSettings(m_settings));
            break;
        case Kind::ComPortRefused:
            return failOpen(Failure::NotAccepted,
                            QStringLiteral("%1: сервер не управляет портом по RFC 2217.").arg(peer()));
        case Kind::NotAccepted:
            return failOpen(
                Failure::NotAccepted,
                QStringLiteral("%1: сервер не принял настройку линии: %2.").arg(peer(), settingText(event.command)));
        case Kind::Accepted:
        case Kind::ModemState:
            break;
        }
    }
    if (m_settingsSent && m_codec.pendingAnswers() == 0)
        finishOpen();
}

QString NetPort::settingText(TelnetCodec::ComPortCommand command) const {
    switch (command) {
    case TelnetCodec::ComPortCommand::SetBaudRate:
        return QStringLiteral("скорость %1").arg(m_settings.baudRate);
    case TelnetCodec::ComPortCommand::SetDataSize:
        return QStringLiteral("биты данных %1").arg(m_settings.dataBits);
    case TelnetCodec::ComPortCommand::SetParity:
        return QStringLiteral("чётность: %1").arg(parityName(m_settings.parity));
    case TelnetCodec::ComPortCommand::SetStopSize:
        return QStringLiteral("стоп-биты %1").arg(stopBitsText(m_settings.stopBits));
    case TelnetCodec::ComPortCommand::SetControl:
        return QStringLiteral("управление потоком: %1").arg(flowName(m_settings.flow));
    default: // the client asks for nothing else it would have to name
        break;
    }
    return QStringLiteral("очистка буфера");
}

void NetPort::onSocketError(QAbstractSocket::SocketError error) {
    // An open connection that fails is gone: the watch hears of it at once.
    if (!m_opening) {
        if (m_open)
            emit lost();
        return;
    }
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return failOpen(Failure::Refused,
                        QStringLiteral("%1: соединение отклонено, на этом порту никто не слушает.").arg(peer()));
    case QAbstractSocket::HostNotFoundError:
        return failOpen(Failure::NameNotFound, QStringLiteral("%1: имя узла не найдено.").arg(peer()));
    case QAbstractSocket::SocketTimeoutError:
        return failOpen(Failure::TimedOut, QStringLiteral("%1: сервер не ответил.").arg(peer()));
    case QAbstractSocket::RemoteHostClosedError:
        return onDisconnected();
    default:
        return failOpen(Failure::Network, QStringLiteral("%1: %2").arg(peer(), m_socket.errorString()));
    }
}

void NetPort::onDisconnected() {
    if (m_open && !m_opening)
        return emit lost();
    failOpen(Failure::Closed,
             QStringLiteral("%1: сервер закрыл соединение, не договорившись о настройках.").arg(peer()));
}

bool NetPort::probe() { return m_open && m_socket.state() == QAbstractSocket::ConnectedState; }

bool NetPort::peerGone() const {
    // A write into a closed connection still succeeds once and is lost; the
    // system already knows of the close before Qt's next event.
    return peerHungUp(int(m_socket.socketDescriptor()));
}

qint64 NetPort::bytesWaiting() {
    pump();
    return m_input.size();
}

QByteArray NetPort::read(qint64 maxBytes) {
    if (maxBytes <= 0)
        return {};
    const QByteArray bytes = m_input.left(maxBytes);
    m_input.remove(0, bytes.size());
    pump();
    return bytes;
}

qint64 NetPort::write(const QByteArray &bytes) {
    if (!probe() || peerGone())
        return 0;
    const bool taken =
        m_socket.write(m_address.protocol == NetAddress::Protocol::Rfc2217 ? m_codec.encodeData(bytes) : bytes) >= 0;
    return taken ? bytes.size() : 0;
}

qint64 NetPort::outputPendingMs() const {
    constexpr qint64 kRecheckMs = 1;
    return m_socket.bytesToWrite() > 0 ? kRecheckMs : 0;
}

void NetPort::purge() {
    discard();
    if (m_open && m_address.protocol == NetAddress::Protocol::Rfc2217 &&
        m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.write(m_codec.request(TelnetCodec::ComPortCommand::PurgeData, QByteArray(1, kPurgeReceiveBuffer)));
}

void NetPort::discard() {
    m_input.clear();
    if (!m_open)
        return;
    // What Qt already took from the system goes too; commands among it are
    // still answered.
    const QByteArray bytes = m_socket.readAll();
    if (m_address.protocol == NetAddress::Protocol::Rfc2217 && !bytes.isEmpty())
        m_socket.write(m_codec.receive(bytes).reply);
}

bool NetPort::hasLineControl() const { return m_open && m_address.protocol == NetAddress::Protocol::Rfc2217; }

bool NetPort::changeLine(const LineSettings &settings) {
    if (!hasLineControl() || !isSupported(settings))
        return false;
    // The server's answers come later; one that refuses is no longer waited
    // for once the port is open, as the far port keeps its own settings.
    m_settings = settings;
    m_socket.write(*m_codec.requestLineSettings(settings));
    sendOutputs();
    return true;
}

void NetPort::setOutputs(const ModemOutputs &outputs) {
    m_outputs = outputs;
    if (hasLineControl() && !m_pulsing)
        sendOutputs();
}

void NetPort::sendOutputs() {
    m_socket.write(m_codec.requestOutput(ModemLine::Dtr, m_outputs.dtr));
    if (m_settings.flow != FlowControl::RtsCts)
        m_socket.write(m_codec.requestOutput(ModemLine::Rts, m_outputs.rts));
}

bool NetPort::pulse(ModemLine line, int ms) {
    if (!hasLineControl() || m_pulsing || ms <= 0 || (line == ModemLine::Rts && m_settings.flow == FlowControl::RtsCts))
        return false;
    const bool chosen = line == ModemLine::Dtr ? m_outputs.dtr : m_outputs.rts;
    m_socket.write(m_codec.requestOutput(line, !chosen));
    m_pulsing = line;
    QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, attempt = m_attempt] {
        m_pulsing.reset();
        if (attempt == m_attempt && hasLineControl())
            sendOutputs();
    });
    return true;
}

bool NetPort::sendBreak(int ms) {
    if (!hasLineControl() || m_breakTimer.isActive() || ms <= 0)
        return false;
    m_socket.write(m_codec.requestBreak(true));
    m_breakTimer.start(ms);
    return true;
}

void NetPort::watchInputLines(bool on) {
    m_watchInput = on;
    if (!on && std::exchange(m_inputLines, std::nullopt))
        emit inputLinesChanged(std::nullopt);
}

std::optional<InputLines> NetPort::inputLines() const { return m_watchInput ? m_inputLines : std::nullopt; }

void NetPort::takeInputLines(const InputLines &lines) {
    if (!m_watchInput || m_inputLines == lines)
        return;
    m_inputLines = lines;
    emit inputLinesChanged(lines);
}

} // namespace core
