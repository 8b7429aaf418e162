// The serial line through the session: settings reach a pseudo-terminal at
// the open and while open, each change is logged, and the outputs chosen
// return after a reconnection.
#include "session/TerminalSession.h"

#include "core/Cp1251.h"
#include "kit/EventWait.h"
#include "kit/PtyDevice.h"
#include "kit/PtyLine.h"
#include "support/FakeLineCalls.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using core::FlowControl;
using core::Parity;
using core::StopBits;
using Kind = FakeLineCalls::Call::Kind;

namespace {

class SessionLine : public ::testing::Test {
protected:
    SessionLine() {
        QObject::connect(&session, &session::TerminalSession::logLine,
                         [this](const QByteArray &line, session::Direction direction) {
                             if (direction == session::Direction::Line)
                                 lines << core::cp1251::toUnicode(line);
                         });
    }
    session::TerminalSession session;
    PtyDevice device;
    QStringList lines;
};

} // namespace

TEST_F(SessionLine, SettingsReachThePseudoTerminalAtTheOpenAndWhileOpen) {
    ASSERT_TRUE(
        session.connectPort(device.slavePath(), {921600, 8, StopBits::Two, Parity::None, FlowControl::XonXoff}));
    ASSERT_TRUE(session.isOpen()) << session.errorString().toStdString();
    PtyLine line = readPtyLine(device.masterFd());
    EXPECT_EQ(line.outputSpeed, 921600u);
    EXPECT_TRUE(line.twoStopBits);
    EXPECT_TRUE(line.xonXoff);
    EXPECT_TRUE(lines.isEmpty()) << "the open itself is not a change";

    ASSERT_TRUE(session.changeLineSettings({250000, 8, StopBits::One, Parity::None, FlowControl::RtsCts}));
    line = readPtyLine(device.masterFd());
    EXPECT_EQ(line.outputSpeed, 250000u);
    EXPECT_FALSE(line.twoStopBits);
    EXPECT_FALSE(line.xonXoff);
    EXPECT_TRUE(line.rtsCts);
    EXPECT_EQ(lines, QStringList{"*** Линия: 250000 8N1, RTS/CTS"});
    // A pseudo-terminal has neither modem lines nor anything to pulse.
    EXPECT_FALSE(session.pulseLine(core::ModemLine::Dtr));
    EXPECT_EQ(session.inputLines(), std::nullopt);
}

TEST_F(SessionLine, TheOutputsChosenReturnAfterAReconnectionAndEachChangeIsLogged) {
    FakeLineCalls calls;
    session.setLineCalls(calls);
    session.setTimeStamps(true);
    session.setModemOutputs({true, false});
    ASSERT_TRUE(session.connectPort(device.slavePath(), {9600, 8, StopBits::One}));
    EXPECT_TRUE(calls.of(Kind::Dtr).last().on);
    session.setModemOutputs({true, true});
    ASSERT_TRUE(session.sendBreak());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(QRegularExpression(R"(^ \[ \d\d:\d\d:\d\d:\d\d\d \* \] \*\*\* Линия: RTS вкл\.$)")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" * ] *** Линия: break 250 мс")) << lines[1].toStdString();

    session.disconnectPort();
    // The break ends with the close.
    ASSERT_EQ(calls.of(Kind::Break).size(), 2);
    EXPECT_FALSE(calls.of(Kind::Break).last().on);
    calls.calls.clear();
    ASSERT_TRUE(session.connectPort(device.slavePath(), {9600, 8, StopBits::One}));
    EXPECT_TRUE(calls.of(Kind::Dtr).last().on);
    EXPECT_TRUE(calls.of(Kind::Rts).last().on);
}
