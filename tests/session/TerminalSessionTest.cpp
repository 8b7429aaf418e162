#include "session/TerminalSession.h"

#include "kit/EventWait.h"
#include "kit/PtyDevice.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const core::LineSettings kLine{9600, 8, core::StopBits::One};

// A session wired to a pseudo-terminal device, its log lines gathered.
class Session : public ::testing::Test {
protected:
    Session() {
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_workDir.path());
        QObject::connect(&session, &session::TerminalSession::logLine, [this](const QByteArray &line, auto direction) {
            (direction == session::TerminalSession::Direction::Sent ? sent : received) << line;
        });
        QObject::connect(&session, &session::TerminalSession::notice, [this](const QString &text) { notices << text; });
    }
    ~Session() override { QDir::setCurrent(m_previousDir); }

    void connectDevice() {
        bool finished = false;
        QObject::connect(&session, &session::TerminalSession::connectFinished, [&](bool ok) { finished = ok; });
        ASSERT_TRUE(session.connectPort(device.slavePath(), kLine));
        ASSERT_TRUE(finished && session.isOpen() && session.connectWanted());
    }

    QTemporaryDir m_workDir;
    QString m_previousDir;
    PtyDevice device;
    session::TerminalSession session;
    QList<QByteArray> sent, received;
    QStringList notices;
};

} // namespace

TEST_F(Session, SendsEncodedWithTheTailEchoesFramesAnswersAndRecords) {
    connectDevice();
    session.setTimeStamps(true);
    ASSERT_TRUE(session.toggleLogRecording());
    session.setTail("*[XOR_8 (1..n)]$0D");
    session.SendPortData("ABC");
    EXPECT_EQ(device.receive(6), QByteArray("ABC*01\r"));
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].startsWith(" [ ") && sent[0].endsWith(" > ] ABC*01\r")) << sent[0].constData();
    EXPECT_EQ(session.traffic().TxTotal, 7u);
    EXPECT_EQ(session.traffic().statistics.SendCount, 1u);

    session.setDataMode(core::DataMode::Hex);
    session.setTail({});
    device.send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_TRUE(received[0].endsWith(" < ] 4F 4B 0D 0A")) << received[0].constData();
    EXPECT_EQ(session.traffic().RxTotal, 4u);

    session.setLogFilter(QStringLiteral("nothing like it"));
    session.SendPortData("01");
    EXPECT_EQ(device.receive(1), QByteArray("\x01"));
    EXPECT_EQ(sent.size(), 1) << "filtered out";
    ASSERT_TRUE(session.closeLog());
    QFile log(session.logRecorder().fileName());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), sent[0] + "\r\n" + received[0] + "\r\n");
}

TEST_F(Session, AfterAnswerSendsTheFileLinesAndTellsTheEndWithoutWaiting) {
    connectDevice();
    session.setSendMode(tx::SendMode::AfterAnswer);
    session.loadCommandLines({"L1", "L2"});
    session.StartSendCommands();
    EXPECT_EQ(device.receive(3), QByteArray("L1\r"));
    device.send("A\r");
    EXPECT_EQ(device.receive(3), QByteArray("L2\r"));
    device.send("B\r");
    ASSERT_TRUE(waitUntil([&] { return !notices.isEmpty(); }));
    EXPECT_EQ(notices, QStringList{QStringLiteral("Все команды отправлены")});
    EXPECT_EQ(session.fileLineIndex(), 0u);
}

TEST_F(Session, ClosedPortSendsNothingAndSaysSo) {
    int told = 0;
    QObject::connect(&session, &session::TerminalSession::portNotOpen, [&] { ++told; });
    session.SendPortData("AT");
    EXPECT_EQ(told, 1);
    EXPECT_EQ(session.traffic().TxTotal, 0u);
    EXPECT_TRUE(sent.isEmpty());
}

TEST_F(Session, AWriteIntoAClosedConnectionIsNotEchoedNorCountedTheLossIsSeenAtOnceTheLastBytesShown) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QList<core::PortColour> colours;
    QObject::connect(&session, &session::TerminalSession::portColourChanged,
                     [&](core::PortColour colour) { colours << colour; });
    bool connected = false;
    QObject::connect(&session, &session::TerminalSession::connectFinished, [&](bool ok) { connected = ok; });
    session.connectPort(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()), kLine);
    ASSERT_TRUE(waitUntil([&] { return connected && server.hasPendingConnections(); }, 10000));
    QTcpSocket *peer = server.nextPendingConnection();
    session.SendPortData("A");
    ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() == 2; }));
    // The loopback hands the bytes and the close over before close()
    // returns; the session has run no event since.
    peer->write("Z\r");
    ASSERT_TRUE(peer->flush());
    peer->close();
    session.SendPortData("B");
    EXPECT_EQ(sent.size(), 1) << sent.join('|').constData();
    EXPECT_EQ(received, QList<QByteArray>{"Z\r"}) << "what the server sent last is shown";
    EXPECT_EQ(session.traffic().TxTotal, 2u);
    EXPECT_EQ(session.traffic().statistics.SendCount, 1u);
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(colours, QList<core::PortColour>{core::PortColour::Lost});
}

TEST_F(Session, AnAnswerComesWithItsTextWhateverTheFilterAndIsComplete) {
    connectDevice();
    QList<std::pair<QByteArray, bool>> answers;
    QObject::connect(&session, &session::TerminalSession::answered, [&](const QByteArray &text, bool complete) {
        answers.append({text, complete});
    });
    session.setLogFilter(QStringLiteral("nothing like it"));
    device.send("OK\r");
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers[0], std::pair(QByteArray("OK\r"), true));
    EXPECT_TRUE(received.isEmpty()) << "filtered out";
}

TEST_F(Session, AFileLineTheDeadLinkRefusedIsTheFirstSentAfterReconnection) {
    const struct {
        const char *name;
        tx::SendMode mode;
    } cases[] = {{"periodic", tx::SendMode::Period}, {"after answer", tx::SendMode::AfterAnswer}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        qint64 now = 1000;
        session::TerminalSession dialling;
        dialling.setClock([&] { return now; });
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        dialling.setAutoConnect(true);
        dialling.setPeriodText("100");
        dialling.setSendMode(c.mode);
        dialling.loadCommandLines({"L1", "L2", "L3"});
        bool connected = false;
        QObject::connect(&dialling, &session::TerminalSession::connectFinished, [&](bool ok) { connected = ok; });
        QList<QByteArray> tried;
        QObject::connect(&dialling, &session::TerminalSession::commandSent,
                         [&](const QByteArray &command) { tried << command; });
        dialling.connectPort(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()), kLine);
        ASSERT_TRUE(waitUntil([&] { return connected && server.hasPendingConnections(); }, 10000));
        QTcpSocket *peer = server.nextPendingConnection();
        if (c.mode == tx::SendMode::AfterAnswer)
            dialling.StartSendCommands();
        ASSERT_TRUE(waitUntil([&] { return peer->bytesAvailable() == 3; }));
        EXPECT_EQ(peer->readAll(), "L1\r");

        // The link dies as L2 is due; the session has run no event since.
        peer->write("OK\r");
        ASSERT_TRUE(peer->flush());
        peer->close();
        now += 101;
        if (c.mode == tx::SendMode::Period) {
            dialling.TimerPeriodTimer();
        } else {
            dialling.RxTimerTimer(); // the answer's bytes
            // The packet ends after a millisecond of silence on the framing's
            // own clock; no event runs meanwhile.
            QThread::msleep(2);
            dialling.RxTimerTimer(); // its end: the answer asks for L2
        }
        EXPECT_EQ(tried, (QList<QByteArray>{"L1", "L2"}));
        EXPECT_FALSE(dialling.isOpen()) << "the refused write told the watch";
        EXPECT_EQ(dialling.fileLineIndex(), 1u);

        ASSERT_TRUE(waitUntil([&] { return dialling.isOpen() && server.hasPendingConnections(); }, 10000));
        QTcpSocket *back = server.nextPendingConnection();
        now += 101;
        if (c.mode == tx::SendMode::AfterAnswer)
            dialling.StartSendCommands(); // "Отправить из файла"
        ASSERT_TRUE(waitUntil([&] { return back->bytesAvailable() >= 3; }));
        EXPECT_TRUE(back->readAll().startsWith("L2\r"));
    }
}
