// The channel's claim and the settle time after a reconnection, on a
// pseudo-terminal device.
#include "session/TerminalSession.h"

#include "kit/EventWait.h"
#include "kit/PtyDevice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const core::LineSettings kLine{9600, 8, core::StopBits::One};

// A session on a device reached through a link, so that another device can
// take its place as an adapter plugged in again would. The log lines and
// the notices are gathered in order.
class Channel : public ::testing::Test {
protected:
    Channel() {
        QObject::connect(&session, &session::TerminalSession::logLine, [this](const QByteArray &line, auto direction) {
            log << (direction == session::Direction::Sent ? "> " : "< ") + line;
        });
        QObject::connect(&session, &session::TerminalSession::notice, [this](const QString &text) { notices << text; });
        QObject::connect(&session, &session::TerminalSession::claimChanged,
                         [this](const QString &claimant) { claims << claimant; });
        QObject::connect(&channel(), &session::PortChannel::claimedInput,
                         [this](const QByteArray &bytes) { claimed += bytes; });
    }

    session::PortChannel &channel() { return session.channel(); }
    QString link() const { return QDir(m_dir.path()).filePath("ttyV0"); }
    void linkTo(const PtyDevice &target) {
        QFile::remove(link());
        ASSERT_TRUE(QFile::link(target.slavePath(), link()));
    }
    void connectDevice() {
        linkTo(device);
        ASSERT_TRUE(session.connectPort(link(), kLine));
        ASSERT_TRUE(session.isOpen());
    }

    QTemporaryDir m_dir;
    PtyDevice device;
    session::TerminalSession session;
    QList<QByteArray> log;
    QStringList notices;
    QStringList claims;
    QByteArray claimed;
};

} // namespace

TEST_F(Channel, AClaimedChannelKeepsTheLogAndTheModesOutTheClaimantTalksRaw) {
    connectDevice();
    device.send("BEFORE\r");
    ASSERT_TRUE(device.waitUntilDelivered(7));
    ASSERT_TRUE(channel().claim("XMODEM"));
    EXPECT_EQ(log, QList<QByteArray>{"< BEFORE\r"}) << "what came before the claim is the log's";
    EXPECT_EQ(claims, QStringList{"XMODEM"});
    EXPECT_FALSE(channel().claim("share")) << "one claimant at a time";
    EXPECT_EQ(channel().claimant(), "XMODEM");

    session.setCommandLine("PING");
    session.setPeriodText("20");
    session.setSendMode(tx::SendMode::Period);
    session.SendPortData("AT");
    EXPECT_EQ(notices, QStringList{session::kPortClaimedNotice.arg("XMODEM")});

    device.send(QByteArray("\x01\x02\r\n", 4));
    ASSERT_TRUE(waitUntil([&] { return claimed.size() == 4; }));
    EXPECT_EQ(claimed, QByteArray("\x01\x02\r\n", 4));
    EXPECT_EQ(channel().write("\x06"), 1);
    EXPECT_EQ(device.receiveFor(300), QByteArray("\x06")) << "raw, no tail, and no period send";
    EXPECT_EQ(log.size(), 1) << "neither the claimant's bytes nor its writes are logged";
    EXPECT_EQ(session.traffic().TxTotal, 0u);

    channel().release();
    EXPECT_EQ(claims, (QStringList{"XMODEM", ""}));
    EXPECT_TRUE(device.receive(5).startsWith("PING\r")) << "the period goes on once given back";
    session.setSendMode(tx::SendMode::Manual);
    device.send("AFTER\r");
    ASSERT_TRUE(waitUntil([&] { return log.last() == "< AFTER\r"; }));
}

TEST_F(Channel, TheClaimEndsWithReleaseDisconnectAndLoss) {
    enum class End { Release, Disconnect, HangUp };
    const struct {
        const char *name;
        End end;
        bool openAfter;
    } cases[] = {
        {"release", End::Release, true},
        {"disconnect", End::Disconnect, false},
        {"hang-up", End::HangUp, false},
    };
    for (const auto &c : cases) {
        PtyDevice peer;
        linkTo(peer);
        ASSERT_TRUE(session.connectPort(link(), kLine)) << c.name;
        EXPECT_FALSE(channel().claim("")) << "a claimant has a name";
        claims.clear();
        ASSERT_TRUE(channel().claim("YMODEM")) << c.name;
        if (c.end == End::Release)
            channel().release();
        else if (c.end == End::Disconnect)
            session.disconnectPort();
        else {
            peer.hangUp();
            ASSERT_TRUE(waitUntil([&] { return !session.isOpen(); })) << c.name;
        }
        EXPECT_EQ(claims, (QStringList{"YMODEM", ""})) << c.name;
        EXPECT_FALSE(channel().isClaimed()) << c.name;
        EXPECT_EQ(session.isOpen(), c.openAfter) << c.name;
        session.disconnectPort();
    }
    EXPECT_FALSE(channel().claim("XMODEM")) << "no claim of a closed port";
}

TEST_F(Channel, AReconnectedDeviceSettlesOnATimerNothingSentNothingReadTheLoopRunning) {
    qint64 now = 0;
    channel().setClock([&] { return now; });
    session.setAutoConnect(true);
    session.setSendOnConnect(true);
    session.setCommandLine("HELLO");
    connectDevice();
    ASSERT_EQ(device.receive(6), QByteArray("HELLO\r"));
    log.clear();

    // The adapter is pulled and plugged in again between two beats.
    PtyDevice returned;
    device.hangUp();
    linkTo(returned);
    session.CheckConnectTimer();
    ASSERT_TRUE(session.isOpen());
    ASSERT_TRUE(channel().held());
    returned.send("BOOT\r");
    ASSERT_TRUE(returned.waitUntilDelivered(5));
    session.SendPortData("EARLY");

    const struct {
        qint64 at;
        QByteArray sent;
        QList<QByteArray> log;
    } steps[] = {
        {0, "", {}},
        {1999, "", {}},
        {2000, "HELLO\rEARLY\r", {"< BOOT\r", "> HELLO\r", "> EARLY\r"}},
    };
    for (const auto &step : steps) {
        now = step.at;
        channel().ReconnectSettleTimer();
        bool loopRan = false;
        QTimer::singleShot(0, [&] { loopRan = true; });
        EXPECT_EQ(returned.receiveFor(200), step.sent) << step.at;
        EXPECT_TRUE(loopRan) << step.at;
        EXPECT_EQ(log, step.log) << step.at;
        EXPECT_EQ(channel().held(), step.at < 2000) << step.at;
    }
}
