#include "session/PortShare.h"
#include "core/Cp1251.h"
#include "session/PortChannel.h"
#include "session/TerminalSession.h"

#include "kit/EventWait.h"
#include "kit/PtyDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

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

// Allowed by the user, a script's line requests act on the line: pyserial
// opens with DTR and RTS on and then changes the baud rate.
TEST_F(Share, PyserialChangesTheLineWhenAllowed) {
    if (!QFile::exists(kPython))
        GTEST_SKIP() << "no /usr/bin/python3 (tools/setup.sh installs python3-serial)";
    share.setLineRequestsAllowed(true);
    ASSERT_TRUE(share.listenTcp());
    QProcess script;
    script.start(kPython, {"-c", R"(
import sys, serial
s = serial.serial_for_url(sys.argv[1], baudrate=9600, timeout=5)
s.baudrate = 115200
print("changed")
s.close()
)",
                           share.address()});
    ASSERT_TRUE(waitUntil([&] { return script.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(script.readAllStandardOutput(), QByteArray("changed\n")) << script.readAllStandardError().constData();
    EXPECT_EQ(session.lineSettings().baudRate, 115200);
    EXPECT_TRUE(session.modemOutputs().dtr && session.modemOutputs().rts);
}

// terminalkvr-run opens the shared port as any RFC 2217 port: its line
// settings are the window's, so they are accepted; its command and the
// answer go into the window's log as well.
TEST_F(Share, TheRunnerTalksThroughTheShare) {
    ASSERT_TRUE(share.listenTcp());
    QProcess runner;
    runner.start(QStringLiteral(TERMINALKVR_RUN_BINARY), {"-b", "9600", "-e", "^OK", "-q", share.address(), "AT"});
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &got) { return got.endsWith('\r'); }), QByteArray("AT\r"));
    device.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return runner.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().constData();
    EXPECT_EQ(logFile(), text("[скрипт 1] AT\r\r\nOK\r\r\n"));
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

// The Unix socket as the README tells to reach it: through socat as a
// pseudo-terminal in the same private folder (terminalkvr-run opens it as a
// port) and as a TCP port for pyserial's rfc2217://.
TEST_F(Share, TheUnixSocketIsReachedThroughSocat) {
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty() || !QFile::exists(kPython))
        GTEST_SKIP() << "no socat or /usr/bin/python3 (tools/setup.sh installs them)";
    QTemporaryDir runtime;
    const QString path = runtime.filePath(QStringLiteral("terminalkvr-test.sock"));
    ASSERT_TRUE(share.listenUnix(path)) << share.errorString().toStdString();
    const QString tty = runtime.filePath(QStringLiteral("ttyShared"));
    QProcess bridge;
    bridge.start(QStringLiteral("socat"),
                 {QStringLiteral("PTY,link=%1,raw,echo=0").arg(tty), QStringLiteral("UNIX-CONNECT:%1").arg(path)});
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(tty) && share.clientCount() == 1; }));
    QProcess runner;
    runner.start(QStringLiteral(TERMINALKVR_RUN_BINARY), {"-b", "9600", "-e", "^OK", "-q", tty, "AT"});
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &got) { return got.endsWith('\r'); }), QByteArray("AT\r"));
    device.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return runner.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(runner.exitCode(), 0) << runner.readAllStandardError().constData();
    bridge.kill();
    bridge.waitForFinished();

    QTcpServer probe; // a free port for the bridge
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess tcpBridge;
    tcpBridge.start(QStringLiteral("socat"), {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port),
                                              QStringLiteral("UNIX-CONNECT:%1").arg(path)});
    QProcess script;
    script.start(kPython, {"-c", R"(
import sys, time, serial
for attempt in range(50):
    try:
        s = serial.serial_for_url(sys.argv[1], baudrate=9600, timeout=5, do_not_open=True)
        s.dtr = s.rts = False
        s.open()
        break
    except serial.SerialException:
        time.sleep(0.1)
s.write(b"ATI\r")
print(s.read_until(b"\n").decode().strip())
s.close()
)",
                           QStringLiteral("rfc2217://127.0.0.1:%1").arg(port)});
    EXPECT_TRUE(deviceReceivesUntil([](const QByteArray &got) { return got.endsWith("ATI\r"); }).endsWith("ATI\r"));
    device.send("KVR\r\n");
    ASSERT_TRUE(waitUntil([&] { return script.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(script.readAllStandardOutput(), QByteArray("KVR\n")) << script.readAllStandardError().constData();
    tcpBridge.kill();
    tcpBridge.waitForFinished();
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

// A client that never reads: the device's output queued for it stays
// bounded, it is dropped with a reason, and the client that reads gets
// every byte.
TEST_F(Share, AClientThatNeverReadsIsDroppedBeforeItsQueuePilesUp) {
    ASSERT_TRUE(share.listenTcp());
    auto reader = tcpClient();
    auto sleeper = tcpClient();
    sleeper->setReadBufferSize(1);
    sleeper->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    ASSERT_TRUE(waitUntil([&] { return share.clientCount() == 2; }));
    const QByteArray chunk = (QByteArray(63, 'x') + '\n').repeated(1024);
    qint64 sent = 0, got = 0, peak = 0;
    while (notices.isEmpty() && sent < 256 * chunk.size()) {
        device.send(chunk);
        sent += chunk.size();
        processEventsFor(1);
        peak = std::max(peak, share.queuedBytes());
        got += reader->readAll().size();
    }
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith(QStringLiteral("Клиент 2 отключён: не читает"))) << notices[0].toStdString();
    EXPECT_LE(peak, 2 * session::PortShare::kClientQueueLimit);
    EXPECT_TRUE(waitUntil([&] {
        got += reader->readAll().size();
        return got == sent;
    }));
    EXPECT_EQ(share.clientCount(), 1);
}

// Commands are written whole: a client's lines and the window's own sends
// reach the device one after another, never one inside the other, and a
// flood from a client arrives complete and in order.
TEST_F(Share, AFloodingClientAndTheWindowNeverInterleave) {
    ASSERT_TRUE(share.listenTcp());
    auto flooder = tcpClient();
    constexpr int kLines = 20000;
    QByteArray flood;
    for (int i = 0; i < kLines; ++i)
        flood += "C" + QByteArray::number(i).rightJustified(7, '0') + '\r';
    flooder->write(flood);
    int windowSends = 0;
    const QByteArray got = deviceReceivesUntil([&](const QByteArray &so_far) {
        if (windowSends < 50) {
            session.SendPortData("W");
            ++windowSends;
        }
        return so_far.size() >= flood.size() + 2 * windowSends;
    });
    QByteArray clients;
    int windows = 0;
    for (const QByteArray &token : got.split('\r')) {
        if (token == "W")
            ++windows;
        else if (!token.isEmpty()) {
            ASSERT_EQ(token.size(), 8) << token.constData();
            clients += token + '\r';
        }
    }
    EXPECT_EQ(windows, windowSends);
    EXPECT_EQ(clients, flood);
}

// Telnet garbage from one client costs that client at most: the next one's
// command and the device's answer go through.
TEST_F(Share, TelnetGarbageCostsOnlyItsSender) {
    ASSERT_TRUE(share.listenTcp());
    auto garbage = tcpClient();
    QByteArray noise(1, char(255));
    QRandomGenerator random(37);
    for (int i = 0; i < 64 * 1024; ++i)
        noise += char(random.bounded(256) < 64 ? 255 : random.bounded(256));
    garbage->write(noise);
    ASSERT_TRUE(waitUntil([&] { return garbage->bytesToWrite() == 0; }));
    auto good = tcpClient();
    good->write("GOOD\r");
    const QByteArray got = deviceReceivesUntil([](const QByteArray &so_far) { return so_far.contains("GOOD\r"); });
    EXPECT_TRUE(got.contains("GOOD\r"));
    device.send("ANSWER\n");
    EXPECT_TRUE(waitUntil([&] { return good->bytesAvailable() >= 7; }));
    EXPECT_EQ(good->readAll(), QByteArray("ANSWER\n"));
}

// Many clients at once: each is served up to the limit, the rest are turned
// away with a reason; every one served gets the device's output.
TEST_F(Share, ManyClientsAtOnceEachServedOrTurnedAway) {
    ASSERT_TRUE(share.listenTcp());
    constexpr int kClients = session::PortShare::kMaxClients + 6;
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, share.tcpPort());
    }
    ASSERT_TRUE(waitUntil([&] {
        return notices.size() == 6 && share.clientCount() == session::PortShare::kMaxClients &&
               std::count_if(clients.begin(), clients.end(), [](const auto &client) {
                   return client->state() == QAbstractSocket::ConnectedState;
               }) == session::PortShare::kMaxClients;
    }));
    EXPECT_EQ(share.clientCount(), session::PortShare::kMaxClients);
    for (int i = 0; i < kClients; ++i)
        if (clients[i]->state() == QAbstractSocket::ConnectedState)
            clients[i]->write("C" + QByteArray::number(i) + '\r');
    const QByteArray got = deviceReceivesUntil(
        [](const QByteArray &so_far) { return so_far.count('\r') == session::PortShare::kMaxClients; });
    EXPECT_EQ(got.count('\r'), session::PortShare::kMaxClients);
    device.send("ALL\n");
    int served = 0;
    EXPECT_TRUE(waitUntil([&] {
        served = 0;
        for (const auto &client : clients)
            served += client->bytesAvailable() >= 4;
        return served == session::PortShare::kMaxClients;
    }));
}

// A client that takes the port to itself: the channel is claimed in its
// name, so the log and the window's sends stand aside; the other clients
// wait and go on after it gives the port back, and every client still gets
// the device's bytes.
TEST_F(Share, AClaimKeepsTheWindowAndTheOthersOutUntilReleased) {
    ASSERT_TRUE(share.listenTcp());
    QStringList sessionNotices;
    QObject::connect(&session, &session::TerminalSession::notice, [&](const QString &t) { sessionNotices << t; });
    const auto signature = [](const QByteArray &text) {
        return QByteArray("\xff\xfa\x2c\x00", 4) + text + QByteArray("\xff\xf0");
    };
    auto claimer = tcpClient();
    auto other = tcpClient();
    claimer->write(QByteArray("\xff\xfb\x2c") + signature("claim"));
    ASSERT_TRUE(waitUntil([&] { return share.claimedBy() == 1; }));
    EXPECT_EQ(session.channel().claimant(), QStringLiteral("скрипт 1"));
    session.SendPortData("W");
    EXPECT_EQ(sessionNotices, QStringList{session::kPortClaimedNotice.arg(QStringLiteral("скрипт 1"))});
    other->write("OTHER\r");
    claimer->write("X\x01");
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &got) { return got.size() >= 2; }), QByteArray("X\x01"));
    EXPECT_EQ(device.receiveFor(100), QByteArray());
    device.send("Y");
    EXPECT_TRUE(waitUntil([&] { return other->bytesAvailable() >= 1; }));
    EXPECT_EQ(other->readAll(), QByteArray("Y"));
    claimer->write(signature("release"));
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &got) { return got.size() >= 6; }), QByteArray("OTHER\r"));
    EXPECT_EQ(share.claimedBy(), 0);
    EXPECT_FALSE(session.channel().isClaimed());
    EXPECT_EQ(logFile(), text("[скрипт 2] OTHER\r\r\n"));

    // A claimer that goes gives the port back as well (a raw client, sending
    // no Telnet, cannot claim).
    auto third = tcpClient();
    third->write(QByteArray("\xff\xfb\x2c") + signature("claim"));
    ASSERT_TRUE(waitUntil([&] { return share.claimedBy() == 3; }));
    third->disconnectFromHost();
    EXPECT_TRUE(waitUntil([&] { return share.claimedBy() == 0 && !session.channel().isClaimed(); }));
}

// A client that goes in the middle of a command: what it sent goes out
// whole, the window's next send after it.
TEST_F(Share, AClientGoneMidCommandCostsNothingElse) {
    ASSERT_TRUE(share.listenTcp());
    auto client = tcpClient();
    client->write("PART");
    client->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return share.clientCount() == 0; }));
    session.SendPortData("W");
    EXPECT_EQ(deviceReceivesUntil([](const QByteArray &so_far) { return so_far.endsWith('\r'); }),
              QByteArray("PARTW\r"));
    EXPECT_EQ(logFile(), text("[скрипт 1] PART\r\nW\r\r\n"));
}
