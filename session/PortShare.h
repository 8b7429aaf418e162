#pragma once

#include "core/port/ComPortServer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QIODevice;
class QLocalServer;
class QTcpServer;

namespace session {

class TerminalSession;

// The session's open port served to other programs (scripts, test tools,
// flashers) while the window keeps it and logs: each client speaks RFC 2217
// or raw bytes (core::ComPortServer decides which) over a Unix-domain socket
// for this user alone, or over TCP on an address the user chose.
//
// A client may take the port to itself (core::ComPortServer's claim; the
// share claims the PortChannel in its name): the log and the window's sends
// stand aside as for any claim, the other clients are not read, its bytes go
// out as they come, and the device's still go to every client, until it
// gives the port back or goes.
//
// Bytes a client sends go to the device one command at a time (up to a line
// end, a short silence or a size limit), each in one write through the
// session's send path, so neither the window's sends nor another client's
// ever land inside it; the log shows them as sent, marked with the client's
// number. The device's bytes go to the log as always and to every client.
//
// A client costs at most itself: one that does not read is dropped once its
// queue passes a bound, one that floods is read no faster than the port
// takes its bytes, Telnet garbage costs bounded memory, and past a number of
// clients new ones are turned away.
class PortShare : public QObject {
    Q_OBJECT
public:
    // Bytes of device output queued for one client before it is dropped.
    static constexpr qint64 kClientQueueLimit = 1 << 20;
    // Clients served at once; more are turned away.
    static constexpr int kMaxClients = 64;
    // The longest command gathered before it goes out without a line end.
    static constexpr qsizetype kMaxCommandBytes = 4096;
    // A command without a line end goes out after this much silence.
    static constexpr int kCommandGapMs = 20;

    explicit PortShare(TerminalSession &session, QObject *parent = nullptr);
    ~PortShare() override;

    // The Unix-domain socket for this user alone: in the user's runtime
    // folder ($XDG_RUNTIME_DIR, else a private folder of mode 0700), named
    // by the process, mode 0600.
    static QString defaultSocketPath();
    bool listenUnix(const QString &path = defaultSocketPath());
    // TCP on address:port (port 0: any free one). Anything but the loopback
    // is reachable from other machines: the caller warns the user.
    bool listenTcp(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    bool isListening() const;
    // What a client opens: "rfc2217://127.0.0.1:PORT" or the socket's path.
    QString address() const;
    quint16 tcpPort() const;
    QString errorString() const { return m_error; }
    // Ends every client and stops listening.
    void close();

    int clientCount() const;
    // Clients' requests to change the line (rate, framing, flow, DTR, RTS)
    // act only when the user allowed them; otherwise they are answered with
    // the line unchanged. Off at first.
    void setLineRequestsAllowed(bool allowed) { m_lineAllowed = allowed; }
    // Device output queued for the clients, not yet taken by them.
    qint64 queuedBytes() const;

    // The number of the client that has the port to itself, 0 for none.
    int claimedBy() const;

signals:
    void clientsChanged(int count);
    // A client took the port to itself (its number) or gave it back (0).
    void claimChanged(int client);
    // Why a client was dropped or turned away, or what it asked for.
    void notice(const QString &text);

private:
    struct Client;
    void takeConnections();
    void adopt(QIODevice *socket);
    void clientGone(QIODevice *socket);
    void readClient(Client &client);
    void handleEvents(Client &client, const QList<core::ComPortServer::Event> &events);
    void sendCommands(Client &client, bool all);
    void toClients(const QByteArray &bytes);
    void write(Client &client, const QByteArray &bytes);
    void drop(Client &client, const QString &reason);
    void forget(Client *client, bool gracefully);
    void readAll();
    void release();
    void applyLineRequest(Client &client, const core::ComPortServer::Event &request);
    core::ComPortServer::Line line() const;
    QByteArray mark(const Client &client) const;

    TerminalSession &m_session;
    std::unique_ptr<QLocalServer> m_local;
    std::unique_ptr<QTcpServer> m_tcp;
    QList<std::shared_ptr<Client>> m_clients;
    Client *m_claimedBy = nullptr;
    bool m_lineAllowed = false;
    int m_nextNumber = 1;
    QTimer m_retry;
    QString m_error;
};

} // namespace session
