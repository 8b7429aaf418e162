#include "support/Ser2netPeer.h"

#include "kit/EventWait.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <unistd.h>

QString Ser2netPeer::missingTools() {
    QStringList missing;
    for (const char *tool : {"ser2net", "socat"})
        if (QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin"}).isEmpty())
            missing.append(tool);
    return missing.join(", ");
}

Ser2netPeer::Ser2netPeer() {
    const QString server = m_folder.filePath("server"), device = m_folder.filePath("device");
    m_socat.start("socat", {"pty,raw,echo=0,link=" + server, "pty,raw,echo=0,link=" + device});
    waitUntil([&] { return QFile::exists(server) && QFile::exists(device); }, 5000);
    m_device = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QTcpServer probes[3];
    QFile config(m_folder.filePath("ser2net.yaml"));
    config.open(QIODevice::WriteOnly);
    const QString connectors[3] = {"telnet(rfc2217),tcp", "tcp", "tcp"};
    for (int i = 0; i < 3; ++i) {
        probes[i].listen(QHostAddress::LocalHost, 0);
        m_ports[i] = probes[i].serverPort();
        config.write(QStringLiteral("connection: &c%1\n  accepter: %2,127.0.0.1,%3\n  connector: %4\n")
                         .arg(i)
                         .arg(connectors[i])
                         .arg(m_ports[i])
                         .arg(i < 2 ? "serialdev," + server + ",9600n81,local" : "echo")
                         .toUtf8());
    }
}

Ser2netPeer::~Ser2netPeer() {
    stopServer();
    m_socat.terminate();
    m_socat.waitForFinished(3000);
    ::close(m_device);
}

bool Ser2netPeer::startServer() {
    m_ser2net.start("ser2net", {"-n", "-u", "-c", m_folder.filePath("ser2net.yaml")});
    return m_device >= 0 && waitUntil(
                                [&] {
                                    QTcpSocket echo;
                                    echo.connectToHost(QHostAddress::LocalHost, m_ports[2]);
                                    return echo.waitForConnected(100);
                                },
                                5000);
}

void Ser2netPeer::stopServer() {
    m_ser2net.terminate();
    m_ser2net.waitForFinished(3000);
}

QString Ser2netPeer::address(bool rfc2217) const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(rfc2217 ? "rfc2217" : "tcp").arg(m_ports[rfc2217 ? 0 : 1]);
}

void Ser2netPeer::send(const QByteArray &bytes) const { ::write(m_device, bytes.constData(), bytes.size()); }

QByteArray Ser2netPeer::receive(int count) const {
    QByteArray out;
    char buf[4096];
    waitUntil(
        [&] {
            for (ssize_t n; (n = ::read(m_device, buf, sizeof buf)) > 0;)
                out.append(buf, n);
            return out.size() >= count;
        },
        5000);
    return out;
}

termios Ser2netPeer::serverLine() const {
    termios line{};
    const int fd = ::open(QFile::encodeName(m_folder.filePath("server")).constData(), O_RDWR | O_NOCTTY);
    ::tcgetattr(fd, &line);
    ::close(fd);
    return line;
}
