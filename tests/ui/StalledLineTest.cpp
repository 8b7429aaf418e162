#include "window/TerminalFixture.h"

#include "ui/window/TForm1.h"

#include <QElapsedTimer>
#include <QLineEdit>

using StalledLine = TerminalFixture;

// The device end stops reading and the line fills: sends must not wait for it,
// periodic sending queues nothing more, and once the device reads again every
// queued packet arrives whole and in order.
TEST_F(StalledLine, ClicksAreAnsweredAndQueuedPacketsArriveWholeOnceTheDeviceReads) {
    start();
    connectPort();
    const QByteArray fill(200000, 'F'); // more than the pseudo-terminal holds
    typeInto("FiltrLog", "AT");         // its echo would be one long line to lay out
    find<QLineEdit>("MainStrCmd")->setText(QString::fromLatin1(fill));
    click("ButtonSend");
    typeInto("MainStrCmd", "AT");
    for (int send = 2; send <= 4; ++send) {
        QElapsedTimer clock;
        clock.start();
        click("ButtonSend");
        // Waiting for the line would take the device's time, seconds.
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_EQ(text("LSend"), QStringLiteral("Send: %1").arg(send));
    }
    typeInto("PeriodTX", "10");
    click("RBPeriod");
    processEventsFor(200);
    click("RBManual");
    EXPECT_EQ(text("LSend"), "Send: 4") << "periodic sends queued behind a full line";

    const QByteArray expected = fill + "\r" + QByteArray("AT\r").repeated(3);
    EXPECT_EQ(device().receive(expected.size(), 20000), expected);
}

// A device that keeps talking while periodic sends go out: every byte it
// writes is counted and shown, none is dropped by a send.
TEST_F(StalledLine, EveryTokenOfAStreamingDeviceIsLoggedWhilePeriodicSendsGoOut) {
    start();
    connectPort();
    typeInto("MainStrCmd", "AT");
    typeInto("PeriodTX", "5");
    click("RBPeriod");
    constexpr int kTokens = 200;
    qsizetype written = 0;
    for (int n = 0; n < kTokens; ++n) {
        const QByteArray bytes = "T" + QByteArray::number(n).rightJustified(4, '0') + "\r";
        device().send(bytes);
        written += bytes.size();
        // Every so often a send finds the token unread.
        if (n % 10 == 0)
            form().SendPortData("X");
        processEventsFor(1);
    }
    click("RBManual");
    const auto token = [](int n) { return QStringLiteral("T%1").arg(n, 4, 10, QLatin1Char('0')); };
    ASSERT_TRUE(waitUntil([&] { return logText().contains(token(kTokens - 1)); }));
    const QString totals = text("StaticText3");
    EXPECT_TRUE(totals.endsWith(QStringLiteral("RX: %1").arg(written))) << totals.toStdString();
    const QString log = logText();
    for (int n = 0; n < kTokens; ++n)
        EXPECT_TRUE(log.contains(token(n))) << n;
}
