#include "core/port/NetPort.h"
#include "kit/EventWait.h"
#include "support/QtPrinting.h"
#include "support/Ser2netPeer.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

using Failure = core::NetPort::Failure;
const core::LineSettings k9600{9600, 8, core::StopBits::One};

QByteArray allByteValues() {
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all += char(v);
    return all;
}

// The outcome must come exactly once, and never from inside openAsync().
bool openAndWait(core::NetPort &port, const QString &location, const core::LineSettings &settings = k9600) {
    QSignalSpy spy(&port, &core::NetPort::opened);
    port.openAsync(location, settings);
    EXPECT_EQ(spy.count(), 0);
    waitUntil([&] { return !spy.isEmpty(); }, 15000);
    processEventsFor(20);
    EXPECT_EQ(spy.count(), 1) << port.errorString().toStdString();
    return !spy.isEmpty() && spy.first().first().toBool();
}

QByteArray readAll(core::NetPort &port, int count) {
    QByteArray got;
    waitUntil([&] { return (got += port.read(port.bytesWaiting())).size() >= count; }, 5000);
    return got;
}

class NetPortSer2net : public testing::Test {
protected:
    void SetUp() override {
        if (!Ser2netPeer::missingTools().isEmpty())
            GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString() << " (tools/setup.sh installs it)";
        ASSERT_TRUE(m_peer.emplace().startServer());
    }
    std::optional<Ser2netPeer> m_peer;
};

TEST_F(NetPortSer2net, EveryByteBothWaysAndTheLineSetOnTheFarPort) {
    const struct {
        bool rfc2217;
        core::LineSettings settings;
        speed_t speed; // what the far pseudo-terminal reports (raw TCP: ser2net's own 9600)
        bool twoStopBits;
    } cases[] = {{true, {115200, 8, core::StopBits::One}, B115200, false},
                 {true, {1200, 7, core::StopBits::Two}, B1200, true},
                 {false, {115200, 8, core::StopBits::Two}, B9600, false}};
    for (const auto &c : cases) {
        core::NetPort port;
        ASSERT_TRUE(openAndWait(port, m_peer->address(c.rfc2217), c.settings));
        const termios line = m_peer->serverLine();
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
        port.write(allByteValues());
        EXPECT_EQ(m_peer->receive(256), allByteValues());
        m_peer->send(allByteValues());
        EXPECT_EQ(readAll(port, 256), allByteValues());

        // Purge drops what waits here and at the server; the command behind
        // it reaches the device only after the server has purged.
        m_peer->send("stale");
        ASSERT_TRUE(waitUntil([&] { return port.bytesWaiting() == 5; }));
        port.purge();
        EXPECT_EQ(port.bytesWaiting(), 0);
        port.write("AT\r");
        EXPECT_EQ(m_peer->receive(3), QByteArray("AT\r"));
        m_peer->send("OK");
        EXPECT_EQ(readAll(port, 2), QByteArray("OK"));
        port.close();
        processEventsFor(100); // ser2net lets the device go
    }
}

TEST_F(NetPortSer2net, ServerGoneFailsTheProbeNothingListeningIsSaidBackOpensAgain) {
    core::NetPort port;
    ASSERT_TRUE(openAndWait(port, m_peer->address(true)));
    EXPECT_TRUE(port.probe());
    m_peer->stopServer();
    EXPECT_TRUE(waitUntil([&] { return !port.probe(); }, 5000));
    EXPECT_FALSE(openAndWait(port, m_peer->address(true)));
    EXPECT_EQ(port.failure(), Failure::Refused);
    EXPECT_TRUE(port.errorString().contains("127.0.0.1:")) << port.errorString().toStdString();
    ASSERT_TRUE(m_peer->startServer());
    EXPECT_TRUE(openAndWait(port, m_peer->address(true)));
}

TEST(NetPort, NoSuchNameOrNoAddress) {
    for (const auto &[location, failure] : {std::pair{"rfc2217://no-such-host.invalid:2001", Failure::NameNotFound},
                                            std::pair{"COM3", Failure::BadAddress}}) {
        core::NetPort port;
        EXPECT_FALSE(openAndWait(port, location));
        EXPECT_EQ(port.failure(), failure) << location;
    }
}

// A bad server in a few lines: greets, then answers every COM-PORT request
// with the value asked for (or another baud rate), or closes.
struct FakeCase {
    const char *name;
    QByteArray greeting;
    bool answer;
    bool close;
    Failure expected;
};

void PrintTo(const FakeCase &c, std::ostream *out) { *out << c.name; }

class NetPortFakeServer : public testing::TestWithParam<FakeCase> {};

TEST_P(NetPortFakeServer, CostsNoMoreThanAReportedFailure) {
    const FakeCase &c = GetParam();
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket *peer = server.nextPendingConnection();
        peer->write(c.greeting);
        if (c.close)
            peer->disconnectFromHost();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [&c, peer] {
            QByteArray answers;
            for (const QByteArray &part : peer->readAll().split('\xf0')) {
                const qsizetype at = part.indexOf("\xff\xfa\x2c");
                if (at >= 0)
                    answers += part.mid(at, 3) + char(part[at + 3] + 100) + part.mid(at + 4) + '\xf0';
            }
            if (c.expected == Failure::NotAccepted)
                answers.replace(QByteArray("\x96\0\xff", 3), QByteArray("\x4b\0\xff", 3)); // 38400 -> 19200
            if (c.answer)
                peer->write(answers);
        });
    });
    core::NetPort port;
    port.setOpenTimeoutMs(1000);
    const QString location = QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort());
    EXPECT_EQ(openAndWait(port, location, {38400, 8, core::StopBits::One}), c.expected == Failure::None);
    EXPECT_EQ(port.failure(), c.expected) << port.errorString().toStdString();
}

const QByteArray kDoComPort("\xff\xfd\x2c", 3);

INSTANTIATE_TEST_SUITE_P(
    Peers, NetPortFakeServer,
    testing::Values(FakeCase{"never_answers", {}, false, false, Failure::TimedOut},
                    FakeCase{"closes_mid_negotiation", kDoComPort, false, true, Failure::Closed},
                    FakeCase{"refuses_com_port", QByteArray("\xff\xfe\x2c", 3), true, false, Failure::NotAccepted},
                    FakeCase{"sets_another_baud_rate", kDoComPort, true, false, Failure::NotAccepted},
                    FakeCase{"endless_sub_negotiation", "\xff\xfa\x2c" + QByteArray(4 << 20, 'x'), true, false,
                             Failure::TimedOut},
                    FakeCase{"junk_then_good_answers",
                             QByteArray("\xff\x07\xff\xfa\xff\xfb\x63", 7) + kDoComPort + QByteArray(300, 'x'), true,
                             false, Failure::None}),
    [](const testing::TestParamInfo<FakeCase> &testInfo) { return testInfo.param.name; });

} // namespace
