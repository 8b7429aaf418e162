#include "session/PortShare.h"
#include "core/Cp1251.h"
#include "session/TerminalSession.h"

#include "kit/EventWait.h"
#include "kit/PtyDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <memory>

namespace {

const core::LineSettings kLine{9600, 8, core::StopBits::One};
const QString kPython = QStringLiteral("/usr/bin/python3");

QByteArray text(const QString &s) { return core::cp1251::fromUnicode(s); }

// A session on a pseudo-terminal device, shared; its log recorded.
class Share : public ::testing::Test {
protected:
    Share() {
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_workDir.path());
        QObject::connect(&share, &session::PortShare::notice, [this](const QString &t) { notices << t; });
        bool finished = false;
        QObject::connect(&session, &session::TerminalSession::connectFinished, [&](bool ok) { finished = ok; });
        session.connectPort(device.slavePath(), kLine);
        EXPECT_TRUE(finished && session.isOpen());
        EXPECT_TRUE(session.toggleLogRecording());
    }
    ~Share() override { QDir::setCurrent(m_previousDir); }

    QByteArray logFile() {
        EXPECT_TRUE(session.closeLog());
        QFile log(session.logRecorder().fileName());
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        return log.readAll();
    }

    std::unique_ptr<QTcpSocket> tcpClient() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, share.tcpPort());
        EXPECT_TRUE(waitUntil([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    // Everything the device got until the condition on it holds.
    QByteArray deviceReceivesUntil(const std::function<bool(const QByteArray &)> &done, int timeoutMs = 20000) {
        QByteArray got;
        waitUntil(
            [&] {
                got += device.receiveFor(1);
                return done(got);
            },
            timeoutMs);
        return got;
    }

    QTemporaryDir m_workDir;
    QString m_previousDir;
    PtyDevice device;
    session::TerminalSession session;
    session::PortShare share{session};
    QStringList notices;
};

} // namespace

// pyserial opens the shared port like any RFC 2217 port, writes a command and
// reads the device's answer; its baud rate request is answered unchanged
// (the window's line is not changed from outside). The log holds both sides
// in order, the script's line marked.
TEST_F(Share, PyserialTalksThroughTheShareAndTheLogHoldsBothSides) {
    if (!QFile::exists(kPython))
        GTEST_SKIP() << "no /usr/bin/python3 (tools/setup.sh installs python3-serial)";
    ASSERT_TRUE(share.listenTcp());
    EXPECT_EQ(share.address(), QStringLiteral("rfc2217://127.0.0.1:%1").arg(share.tcpPort()));
    QProcess script;
    script.start(kPython, {"-c", R"(
import sys, serial
s = serial.serial_for_url(sys.argv[1], baudrate=9600, timeout=5, do_not_open=True)
s.dtr = False
s.rts = False
s.open()
s.write(b"AT\r")
print(s.read_until(b"\n").decode().strip())
try:
    s.baudrate = 115200
    print("changed")
except Exception:
    print("refused")
s.close()
)",
                           share.address()});
    const QByteArray command = deviceReceivesUntil([](const QByteArray &got) { return got.endsWith('\r'); });
    EXPECT_EQ(command, QByteArray("AT\r"));
    device.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return script.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().constData();
    EXPECT_EQ(script.readAllStandardOutput(), QByteArray("OK\nrefused\n"));
    EXPECT_EQ(logFile(), text("[скрипт 1] AT\r\r\nOK\r\r\n[скрипт 1] запрос не выполнен: скорость 115200\r\n"));
}

// The Unix socket lies in the user's runtime folder, is this user's and
// reachable by this user alone; a raw client there talks to the device.
TEST_F(Share, UnixSocketIsTheUsersAloneAndGoesWithTheShare) {
    QTemporaryDir runtime; // mode 0700, as a runtime folder must be
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString path = session::PortShare::defaultSocketPath();
    EXPECT_TRUE(path.startsWith(runtime.path() + '/')) << path.toStdString();
    ASSERT_TRUE(share.listenUnix(path)) << share.errorString().toStdString();
    EXPECT_EQ(share.address(), path);
    const QFileInfo socket(path);
    EXPECT_EQ(socket.permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(socket.ownerId(), QFileInfo(runtime.path()).ownerId());

    QLocalSocket client;
    client.connectToServer(path);
    ASSERT_TRUE(client.waitForConnected(3000));
    client.write("PING\r");
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &got) { return got.endsWith('\r'); }), QByteArray("PING\r"));
    device.send("PONG\n");
    ASSERT_TRUE(waitUntil([&] { return client.bytesAvailable() >= 5; }));
    EXPECT_EQ(client.readAll(), QByteArray("PONG\n"));

    session.disconnectPort();
    EXPECT_FALSE(share.isListening());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(waitUntil([&] { return client.state() == QLocalSocket::UnconnectedState; }));
    qunsetenv("XDG_RUNTIME_DIR");
}

// Without $XDG_RUNTIME_DIR the socket goes to a folder made for this user
// alone.
TEST(PortShareFolder, WithoutARuntimeFolderAPrivateOneIsMade) {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QFileInfo folder(QFileInfo(session::PortShare::defaultSocketPath()).path());
    if (!saved.isEmpty())
        qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
