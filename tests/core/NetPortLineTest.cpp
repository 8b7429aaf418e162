// The far port's line over RFC 2217: against a small server that records
// every COM-PORT request and reports the input lines, and against ser2net.
#include "core/port/NetPort.h"
#include "kit/EventWait.h"
#include "support/QtPrinting.h"
#include "support/Ser2netPeer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

constexpr int kSetParity = 3;
constexpr int kSetControl = 5;
constexpr int kSetModemStateMask = 11;
// What a loaded machine keeps of a timer's length.
constexpr qint64 kLateMs = 150;

// Agrees to COM-PORT control, answers every request with the value asked
// for and records it with the time it came.
class RecordingServer : public QObject {
public:
    struct Request {
        int command;
        QByteArray value;
        qint64 atMs;
    };

    RecordingServer() {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_peer = m_server.nextPendingConnection();
            m_peer->write(QByteArray("\xff\xfd\x2c", 3));
            connect(m_peer, &QTcpSocket::readyRead, this, &RecordingServer::take);
        });
    }
    QString location() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_server.serverPort()); }
    void notifyModemState(quint8 state) { m_peer->write(QByteArray("\xff\xfa\x2c\x6b", 4) + char(state) + "\xff\xf0"); }
    QList<Request> of(int command, qsizetype from = 0) const {
        QList<Request> out;
        for (const Request &request : requests.mid(from))
            if (request.command == command)
                out.append(request);
        return out;
    }

    QList<Request> requests;

private:
    void take() {
        m_buffer += m_peer->readAll();
        for (;;) {
            const qsizetype start = m_buffer.indexOf("\xff\xfa\x2c");
            const qsizetype end = m_buffer.indexOf("\xff\xf0", start);
            if (start < 0 || end < 0)
                return;
            const QByteArray body = m_buffer.mid(start + 3, end - start - 3);
            m_buffer.remove(0, end + 2);
            requests.append({quint8(body[0]), body.mid(1).replace("\xff\xff", "\xff"), m_clock.elapsed()});
            m_peer->write("\xff\xfa\x2c" + QByteArray(1, char(quint8(body[0]) + 100)) + body.mid(1) + "\xff\xf0");
        }
    }

    QTcpServer m_server;
    QTcpSocket *m_peer = nullptr;
    QByteArray m_buffer;
    QElapsedTimer m_clock;
};

bool openAndWait(core::NetPort &port, const QString &location, const core::LineSettings &settings) {
    QSignalSpy spy(&port, &core::NetPort::opened);
    port.openAsync(location, settings);
    waitUntil([&] { return !spy.isEmpty(); }, 15000);
    return !spy.isEmpty() && spy.first().first().toBool();
}

} // namespace

TEST(NetPortLine, SettingsOutputsPulseBreakAndInputLinesGoOverRfc2217) {
    RecordingServer server;
    core::NetPort port;
    port.setOutputs({true, false});
    port.watchInputLines(true);
    ASSERT_TRUE(openAndWait(port, server.location(),
                            {9600, 8, core::StopBits::One, core::Parity::Even, core::FlowControl::XonXoff}));
    EXPECT_TRUE(port.hasLineControl());
    ASSERT_TRUE(waitUntil([&] { return !server.of(kSetModemStateMask).isEmpty(); }));
    EXPECT_EQ(server.of(kSetParity).last().value, QByteArray(1, 3)) << "even";
    const QList<RecordingServer::Request> controls = server.of(kSetControl);
    ASSERT_EQ(controls.size(), 3);
    EXPECT_EQ(controls[0].value, QByteArray(1, 2)) << "XON/XOFF";
    EXPECT_EQ(controls[1].value, QByteArray(1, 8)) << "DTR on";
    EXPECT_EQ(controls[2].value, QByteArray(1, 12)) << "RTS off";

    QSignalSpy lines(&port, &core::PortAccess::inputLinesChanged);
    server.notifyModemState(0x90);
    ASSERT_TRUE(waitUntil([&] { return !lines.isEmpty(); }));
    EXPECT_EQ(port.inputLines(), (core::InputLines{true, false, true, false}));

    const struct {
        bool isBreak;
        int ms;
        char first, last;
    } timed[] = {{false, 100, 9, 8}, {true, 250, 5, 6}};
    for (const auto &c : timed) {
        const qsizetype from = server.requests.size();
        ASSERT_TRUE(c.isBreak ? port.sendBreak(c.ms) : port.pulse(core::ModemLine::Dtr, c.ms));
        ASSERT_TRUE(waitUntil([&] { return server.of(kSetControl, from).size() >= 2; }, 3000));
        const QList<RecordingServer::Request> made = server.of(kSetControl, from);
        EXPECT_EQ(made.first().value, QByteArray(1, c.first));
        EXPECT_EQ(made[1].value, QByteArray(1, c.last));
        const qint64 length = made[1].atMs - made.first().atMs;
        EXPECT_GE(length, c.ms - 20);
        EXPECT_LE(length, c.ms + kLateMs);
    }
    // While open the line changes at once.
    const qsizetype from = server.requests.size();
    ASSERT_TRUE(port.changeLine({9600, 8, core::StopBits::One, core::Parity::Mark, core::FlowControl::None}));
    ASSERT_TRUE(waitUntil([&] { return !server.of(kSetParity, from).isEmpty(); }));
    EXPECT_EQ(server.of(kSetParity, from).last().value, QByteArray(1, 4)) << "mark";
}

TEST(NetPortLine, ARawTcpPortHasNoLineToSet) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    core::NetPort port;
    ASSERT_TRUE(openAndWait(port, QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()),
                            {9600, 8, core::StopBits::One}));
    EXPECT_FALSE(port.hasLineControl());
    EXPECT_FALSE(port.pulse(core::ModemLine::Dtr, 100));
    EXPECT_FALSE(port.sendBreak(250));
    EXPECT_FALSE(port.changeLine({9600, 8, core::StopBits::One, core::Parity::Even}));
}

TEST(NetPortLine, Ser2netSetsFlowControlAndTakesParityAndTheOutputs) {
    if (!Ser2netPeer::missingTools().isEmpty())
        GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString() << " (tools/setup.sh installs it)";
    Ser2netPeer peer;
    ASSERT_TRUE(peer.startServer());
    core::NetPort port;
    port.setOutputs({true, true});
    ASSERT_TRUE(openAndWait(port, peer.address(true),
                            {19200, 8, core::StopBits::One, core::Parity::Odd, core::FlowControl::XonXoff}))
        << port.errorString().toStdString();
    ASSERT_TRUE(waitUntil([&] { return (peer.serverLine().c_iflag & IXON) != 0; }));
    const termios line = peer.serverLine();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_TRUE(port.pulse(core::ModemLine::Dtr, 50));
    EXPECT_TRUE(port.sendBreak(50));
    port.write("AT\r");
    EXPECT_EQ(peer.receive(3), QByteArray("AT\r"));
}
