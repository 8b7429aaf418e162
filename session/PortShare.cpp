#include "session/PortShare.h"

#include "core/Cp1251.h"
#include "core/FixedTexts.h"
#include "session/PortChannel.h"
#include "session/TerminalSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <array>
#include <climits>

namespace session {

namespace {

// Bytes taken from one client in one go, so that one that floods cannot hold
// the others or the window; the socket's own buffer is bounded to a few of
// these, and the system holds the rest back from the sender.
constexpr qint64 kReadChunk = 16 * 1024;
constexpr qint64 kSocketBuffer = 4 * kReadChunk;
// Clients are not read while the port has output still to go: a flood waits
// in the sender, not in our memory, and the port is never pushed past what
// the device takes (Qt takes a write to a full device for a lost port).
constexpr qint64 kMostOutputPendingMs = 0;
// How soon clients are read again after a pause or a share of the reading.
constexpr int kRetryMs = 5;
// How long a client that is sent away gets to read what was queued for it.
constexpr int kCloseGraceMs = 1000;

QString lineRequestName(core::ComPortServer::Command command) {
    using Command = core::ComPortServer::Command;
    switch (command) {
    case Command::SetBaudRate:
        return QStringLiteral("скорость");
    case Command::SetDataSize:
        return QStringLiteral("биты данных");
    case Command::SetParity:
        return QStringLiteral("чётность");
    case Command::SetStopSize:
        return QStringLiteral("стоповые биты");
    default:
        break;
    }
    return QStringLiteral("управление линией");
}

} // namespace

struct PortShare::Client {
    int number = 0;
    QIODevice *socket = nullptr;
    core::ComPortServer server{core::kProgramName.toLatin1()};
    // Bytes for the device not yet sent: the start of a command.
    QByteArray command;
    QTimer gap;
    bool gone = false;
};

PortShare::PortShare(TerminalSession &session, QObject *parent) : QObject(parent), m_session(session) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &PortShare::readAll);
    PortChannel &channel = m_session.channel();
    connect(&channel, &PortChannel::bytesRead, this, &PortShare::toClients);
    // Another client's claim (a transfer) ended: the clients' bytes waited.
    connect(&channel, &PortChannel::claimChanged, this, [this](const QString &claimant) {
        if (claimant.isEmpty() && !m_clients.isEmpty())
            m_retry.start();
    });
    // The share serves an open port; when it closes, every client goes.
    connect(&m_session, &TerminalSession::portStateChanged, this, [this](bool open) {
        if (!open)
            close();
    });
}

PortShare::~PortShare() { close(); }

QString PortShare::defaultSocketPath() {
    // Qt makes the runtime folder when it is missing ($XDG_RUNTIME_DIR
    // unset): one of this user's alone, mode 0700, and refuses one that is
    // not.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(QStringLiteral("terminalkvr-%1.sock").arg(QCoreApplication::applicationPid()));
}

bool PortShare::listenUnix(const QString &path) {
    close();
    if (!m_session.isOpen()) {
        m_error = QStringLiteral("Порт не открыт.");
        return false;
    }
    auto server = std::make_unique<QLocalServer>();
    // The socket is made for this user alone from the start (Qt creates it
    // in a private folder and moves it into place), then narrowed to 0600.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
        m_error = server->errorString();
        return false;
    }
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        m_error = QStringLiteral("Нельзя закрыть сокет %1 для других пользователей.").arg(path);
        return false;
    }
    connect(server.get(), &QLocalServer::newConnection, this, &PortShare::takeConnections);
    m_local = std::move(server);
    return true;
}

bool PortShare::listenTcp(const QHostAddress &address, quint16 port) {
    close();
    if (!m_session.isOpen()) {
        m_error = QStringLiteral("Порт не открыт.");
        return false;
    }
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(address, port)) {
        m_error = server->errorString();
        return false;
    }
    connect(server.get(), &QTcpServer::newConnection, this, &PortShare::takeConnections);
    m_tcp = std::move(server);
    return true;
}

bool PortShare::isListening() const { return m_local || m_tcp; }

quint16 PortShare::tcpPort() const { return m_tcp ? m_tcp->serverPort() : 0; }

QString PortShare::address() const {
    if (m_local)
        return m_local->fullServerName();
    if (!m_tcp)
        return {};
    const QHostAddress host = m_tcp->serverAddress();
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("[%1]").arg(host.toString())
                                                                          : host.toString();
    return QStringLiteral("rfc2217://%1:%2").arg(name).arg(m_tcp->serverPort());
}

int PortShare::clientCount() const { return int(m_clients.size()); }

int PortShare::claimedBy() const { return m_claimedBy ? m_claimedBy->number : 0; }

void PortShare::release() {
    if (!m_claimedBy)
        return;
    m_claimedBy = nullptr;
    m_session.channel().release();
    emit claimChanged(0);
    // The others' bytes waited in their sockets.
    m_retry.start();
}

qint64 PortShare::queuedBytes() const {
    qint64 total = 0;
    for (const std::shared_ptr<Client> &client : m_clients)
        if (!client->gone)
            total += client->socket->bytesToWrite();
    return total;
}

void PortShare::close() {
    m_retry.stop();
    m_local.reset(); // removes the socket file
    m_tcp.reset();
    const QList<std::shared_ptr<Client>> clients = m_clients;
    for (const std::shared_ptr<Client> &client : clients) {
        // What a client sent before the end still goes out whole.
        sendCommands(*client, true);
        forget(client.get(), true);
    }
}

void PortShare::takeConnections() {
    for (;;) {
        QIODevice *socket = nullptr;
        if (m_local && m_local->hasPendingConnections()) {
            QLocalSocket *local = m_local->nextPendingConnection();
            local->setReadBufferSize(kSocketBuffer);
            connect(local, &QLocalSocket::disconnected, this, [this, local] { clientGone(local); });
            socket = local;
        } else if (m_tcp && m_tcp->hasPendingConnections()) {
            QTcpSocket *tcp = m_tcp->nextPendingConnection();
            tcp->setReadBufferSize(kSocketBuffer);
            tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            connect(tcp, &QTcpSocket::disconnected, this, [this, tcp] { clientGone(tcp); });
            socket = tcp;
        } else {
            return;
        }
        // The servers may go before their clients.
        socket->setParent(this);
        adopt(socket);
    }
}

void PortShare::clientGone(QIODevice *socket) {
    for (const std::shared_ptr<Client> &client : m_clients)
        if (client->socket == socket) {
            // What it sent before it went still goes out, whole.
            readClient(*client);
            sendCommands(*client, true);
            forget(client.get(), true);
            return;
        }
}

void PortShare::adopt(QIODevice *socket) {
    if (m_clients.size() >= kMaxClients) {
        emit notice(QStringLiteral("Клиент не принят: уже %1 клиентов.").arg(kMaxClients));
        socket->close();
        socket->deleteLater();
        return;
    }
    auto client = std::make_shared<Client>();
    client->number = m_nextNumber++;
    client->socket = socket;
    client->gap.setSingleShot(true);
    client->gap.setInterval(kCommandGapMs);
    Client *raw = client.get();
    connect(&client->gap, &QTimer::timeout, this, [this, raw] { sendCommands(*raw, true); });
    connect(socket, &QIODevice::readyRead, this, [this, raw] { readClient(*raw); });
    m_clients.append(client);
    emit clientsChanged(clientCount());
}

core::ComPortServer::Line PortShare::line() const {
    const core::LineSettings &settings = m_session.lineSettings();
    core::ComPortServer::Line line;
    line.baudRate = quint32(settings.baudRate);
    line.dataSize = quint8(settings.dataBits);
    line.parity = core::telnet::kParityValues[size_t(settings.parity)];
    line.stopSize = core::telnet::stopSize(settings.stopBits);
    line.flow = core::telnet::kFlowValues[size_t(settings.flow)];
    line.dtr = m_session.modemOutputs().dtr;
    line.rts = m_session.modemOutputs().rts;
    return line;
}

void PortShare::applyLineRequest(Client &client, const core::ComPortServer::Event &request) {
    using Command = core::ComPortServer::Command;
    using Control = core::ComPortServer::Control;
    core::LineSettings settings = m_session.lineSettings();
    core::ModemOutputs outputs = m_session.modemOutputs();
    const quint32 v = request.value;
    switch (request.command) {
    case Command::SetBaudRate:
        settings.baudRate = qint32(std::min<quint32>(v, INT_MAX));
        break;
    case Command::SetDataSize:
        settings.dataBits = int(v);
        break;
    case Command::SetParity:
        for (size_t i = 0; i < core::telnet::kParityValues.size(); ++i)
            if (core::telnet::kParityValues[i] == v)
                settings.parity = core::Parity(i);
        break;
    case Command::SetStopSize:
        settings.stopBits = v == 2 ? core::StopBits::Two : v == 3 ? core::StopBits::OneAndHalf : core::StopBits::One;
        break;
    case Command::SetControl:
        for (size_t i = 0; i < core::telnet::kFlowValues.size(); ++i)
            if (quint8(core::telnet::kFlowValues[i]) == v)
                settings.flow = core::FlowControl(i);
        if (v == quint8(Control::DtrOn) || v == quint8(Control::DtrOff))
            outputs.dtr = v == quint8(Control::DtrOn);
        if (v == quint8(Control::RtsOn) || v == quint8(Control::RtsOff))
            outputs.rts = v == quint8(Control::RtsOn);
        break;
    default:
        break;
    }
    // The session logs each change of the line; a setting the port refuses
    // leaves the line as it was, and the answer says so.
    if (settings != m_session.lineSettings())
        m_session.changeLineSettings(settings);
    if (outputs != m_session.modemOutputs())
        m_session.setModemOutputs(outputs);
    client.server.setLine(line());
    write(client, client.server.answer(request));
}

QByteArray PortShare::mark(const Client &client) const {
    return core::cp1251::fromUnicode(QStringLiteral("[скрипт %1] ").arg(client.number));
}

void PortShare::readClient(Client &client) {
    // While the port is another's (a client of ours or a transfer), the
    // rest waits with the sender.
    if (client.gone || (m_session.channel().isClaimed() && m_claimedBy != &client))
        return;
    // A client's command still waiting, or a port still busy with output:
    // the rest stays with the sender for now.
    if (client.command.size() >= kMaxCommandBytes || m_session.channel().outputPendingMs() > kMostOutputPendingMs) {
        m_retry.start();
        return;
    }
    const QByteArray in = client.socket->read(kReadChunk);
    if (in.isEmpty())
        return;
    client.server.setLine(line());
    client.server.setLineRequestsAllowed(m_lineAllowed);
    const core::ComPortServer::Received received = client.server.receive(in);
    if (!received.reply.isEmpty())
        write(client, received.reply);
    if (client.gone)
        return;
    handleEvents(client, received.events);
    client.command += received.data;
    sendCommands(client, false);
    // More waiting: the others get their turn first.
    if (!client.gone && client.socket->bytesAvailable() > 0)
        m_retry.start();
}

void PortShare::readAll() {
    const QList<std::shared_ptr<Client>> clients = m_clients;
    for (const std::shared_ptr<Client> &client : clients) {
        sendCommands(*client, false);
        readClient(*client);
    }
}

void PortShare::handleEvents(Client &client, const QList<core::ComPortServer::Event> &events) {
    using Kind = core::ComPortServer::Event::Kind;
    for (const core::ComPortServer::Event &event : events) {
        switch (event.kind) {
        case Kind::LineRequest:
            applyLineRequest(client, event);
            break;
        case Kind::LineRefused:
            // The line is the window's unless the user lets scripts change it.
            m_session.logShared(
                mark(client) +
                core::cp1251::fromUnicode(
                    QStringLiteral("запрос не выполнен: %1 %2").arg(lineRequestName(event.command)).arg(event.value)));
            break;
        case Kind::Purge:
            if (event.value & 2) // what it sent and the device has not had yet
                client.command.clear();
            break;
        case Kind::Claim:
            if (m_claimedBy == &client)
                break;
            sendCommands(client, true); // what it sent before the claim goes as before
            if (m_session.channel().claim(QStringLiteral("скрипт %1").arg(client.number))) {
                m_claimedBy = &client;
                emit claimChanged(client.number);
            } else {
                emit notice(QStringLiteral("Клиент %1 не получил порт: его держит %2.")
                                .arg(client.number)
                                .arg(m_session.channel().claimant()));
            }
            break;
        case Kind::Release:
            if (m_claimedBy == &client)
                release();
            break;
        case Kind::ComPortEnabled:
        case Kind::Suspend:
        case Kind::Resume:
            break;
        }
    }
}

void PortShare::sendCommands(Client &client, bool all) {
    while (!client.command.isEmpty()) {
        qsizetype end = -1;
        for (qsizetype i = 0; i < client.command.size() && end < 0; ++i)
            if (client.command[i] == '\r' || client.command[i] == '\n')
                end = i + 1;
        if (end > 0 && end < client.command.size() && client.command[end - 1] == '\r' && client.command[end] == '\n')
            ++end; // CR LF is one line end
        // The client that has the port to itself is not gathered into commands.
        if (end < 0 && (all || m_claimedBy == &client || client.command.size() >= kMaxCommandBytes))
            end = std::min(client.command.size(), kMaxCommandBytes);
        if (end < 0) {
            client.gap.start();
            return;
        }
        if (m_claimedBy == &client) {
            // The port is this client's: its bytes go as they are, unlogged,
            // as a transfer's do.
            const qint64 taken = m_session.channel().write(client.command);
            if (taken <= 0) {
                m_retry.start();
                return;
            }
            client.command.remove(0, taken);
            continue;
        }
        const QByteArray piece = client.command.left(end);
        const QByteArray shown = m_session.dataMode() == core::DataMode::Hex ? piece.toHex(' ').toUpper() : piece;
        if (!m_session.writeShared(piece, mark(client) + shown)) {
            if (!m_session.isOpen()) {
                client.command.clear();
                return;
            }
            m_retry.start(); // a send of the window's is under way
            return;
        }
        client.command.remove(0, end);
    }
    client.gap.stop();
}

void PortShare::toClients(const QByteArray &bytes) {
    const QList<std::shared_ptr<Client>> clients = m_clients;
    for (const std::shared_ptr<Client> &client : clients)
        if (!client->gone)
            write(*client, client->server.encodeData(bytes));
}

void PortShare::write(Client &client, const QByteArray &bytes) {
    client.socket->write(bytes);
    if (client.socket->bytesToWrite() > kClientQueueLimit)
        drop(client, QStringLiteral("не читает (в очереди больше %1 КБ)").arg(kClientQueueLimit / 1024));
}

void PortShare::drop(Client &client, const QString &reason) {
    emit notice(QStringLiteral("Клиент %1 отключён: %2.").arg(client.number).arg(reason));
    forget(&client, false);
}

void PortShare::forget(Client *client, bool gracefully) {
    if (client->gone)
        return;
    client->gone = true;
    client->gap.stop();
    if (m_claimedBy == client)
        release();
    QIODevice *socket = client->socket;
    socket->disconnect(this);
    auto *tcp = qobject_cast<QTcpSocket *>(socket);
    auto *local = qobject_cast<QLocalSocket *>(socket);
    if (!gracefully) {
        if (tcp)
            tcp->abort();
        if (local)
            local->abort();
        socket->deleteLater();
    } else {
        // Output already queued still goes out, for a while; then the
        // connection ends whether the client read it or not.
        if (tcp) {
            connect(tcp, &QTcpSocket::disconnected, tcp, &QObject::deleteLater);
            tcp->disconnectFromHost();
        }
        if (local) {
            connect(local, &QLocalSocket::disconnected, local, &QObject::deleteLater);
            local->disconnectFromServer();
        }
        QTimer::singleShot(kCloseGraceMs, socket, &QObject::deleteLater);
    }
    // The entry goes once whatever is running on it has returned.
    QMetaObject::invokeMethod(
        this,
        [this, client] {
            m_clients.removeIf([client](const std::shared_ptr<Client> &c) { return c.get() == client; });
            emit clientsChanged(clientCount());
        },
        Qt::QueuedConnection);
}

} // namespace session
