#include "window/TerminalFixture.h"

#include "support/FileBytes.h"
#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTime>

namespace {

struct WireCase {
    const char *mode; // the radio button clicked first
    QString command;
    QString tail;
    QByteArray wire; // hexadecimal
    QString shown;   // the echo as the log window shows it
};

} // namespace

using Transmit = TerminalFixture;

TEST_F(Transmit, TypedCommandsGoOnTheWireExactlyAsEncoded) {
    const WireCase cases[] = {
        {"RBASCII", "AT", "$0D", "41540d", "AT"},
        {"RBASCII", "ABC", "*[XOR_8 (1..n)]$0D$0A", "4142432a30310d0a", "ABC*01\n"},
        {"RBASCII", "$GPGLL", "*[XOR_8 (1..n)]$0D$0A", "244750474c4c2a35300d0a", "$GPGLL*50\n"},
        {"RBASCII", "abc", "$[SUM_8(0..n)]", "61626326", "abc&"},
        {"RBASCII", "ABC", "*[XOR_8(1..n)]$0D$0A", "4142432a5b584f525f3828312e2e6e295d0d0a", "ABC*[XOR_8(1..n)]\n"},
        {"RBASCII", "ABC", "", "414243", "ABC"},
        {"RBASCII", "Привет", "$0D", "cff0e8e2e5f20d", "Привет"},
        {"RBASCII", "aαb", "$0D", "613f620d", "a?b"},
        {"RBHEX", "01 02 03", " [SUM_8(0..n)]", "01020306", "01 02 03 06"},
        {"RBHEX", "12 34", " [XOR_8 (0..n)]", "123426", "12 34 26"},
        {"RBHEX", "0A 0B 1", "", "0a0b10", "0A 0B 1"},
        {"RBHEX", "01-02", "", "0102", "01-02"},
    };
    start();
    connectPort();
    auto *log = find<ui::LogPane>("MainWindow");
    for (const WireCase &c : cases) {
        SCOPED_TRACE((c.command + " + " + c.tail).toStdString());
        click(c.mode);
        typeInto("AddStrCmd", c.tail);
        typeInto("MainStrCmd", c.command);
        log->clear();
        pressKey("MainStrCmd", Qt::Key_Return);
        const QByteArray wire = QByteArray::fromHex(c.wire);
        EXPECT_EQ(device().receive(wire.size()), wire);
        EXPECT_EQ(logText(), c.shown);
    }
}

TEST_F(Transmit, EchoLineCarriesTheSendTimeWhileTimeIsShown) {
    start();
    connectPort();
    click("VisTime");
    typeInto("MainStrCmd", "AT");
    const QTime before = QTime::currentTime();
    pressKey("MainStrCmd", Qt::Key_Return);
    const QTime after = QTime::currentTime();
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));

    static const QRegularExpression stamped(R"(^ \[ (\d\d):(\d\d):(\d\d):(\d\d\d) > \] AT$)");
    const QRegularExpressionMatch match = stamped.match(logText());
    ASSERT_TRUE(match.hasMatch()) << logText().toStdString();
    const QTime sent(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                     match.captured(4).toInt());
    ASSERT_TRUE(sent.isValid());
    if (before <= after) { // not across midnight
        EXPECT_LE(before, sent);
        EXPECT_LE(sent, after);
    }

    click("VisTime");
    find<ui::LogPane>("MainWindow")->clear();
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    EXPECT_EQ(logText(), "AT");
}

TEST_F(Transmit, SendsCountBytesAndPacketsAlongsideTheBytesReceived) {
    start();
    connectPort();
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    EXPECT_EQ(text("StaticText3"), "TX: 3 RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 1");

    typeInto("AddStrCmd", "$0D$0A");
    typeInto("MainStrCmd", "ABC");
    click("ButtonSend");
    EXPECT_EQ(device().receive(5), QByteArray("ABC\r\n"));
    EXPECT_EQ(text("StaticText3"), "TX: 8 RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 2");

    device().send("OK\r");
    ASSERT_TRUE(waitUntil([&] { return text("StaticText3") == "TX: 8 RX: 3"; }));
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(text("StaticText3"), "TX: 13 RX: 3");
    EXPECT_EQ(text("LSend"), "Send: 3");
}

TEST_F(Transmit, EmptyCommandWithThePortOpenDoesNothingAtAll) {
    start();
    connectPort();
    ASSERT_EQ(text("AddStrCmd"), "$0D");
    ASSERT_EQ(text("MainStrCmd"), "");
    pressKey("MainStrCmd", Qt::Key_Return);
    click("ButtonSend");
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(text("StaticText3"), "TX: 0, RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 0");
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

TEST_F(Transmit, WithThePortClosedOnlyThePortErrorWindowAppears) {
    start();
    connectPort();
    click("BTConnect");
    ASSERT_EQ(text("BTConnect"), "Connect");

    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    click("ButtonSend");
    typeInto("MainStrCmd", "");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(notices, QStringList({"OpenPortError", "OpenPortError", "OpenPortError"}));
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(text("StaticText3"), "TX: 0, RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 0");

    form().close();
    EXPECT_EQ(fileBytes("OldCmd"), QByteArray(12800, '\0'));
}

TEST_F(Transmit, SendArrivingWhileThePortErrorWindowIsOpenIsDropped) {
    start();
    click("SendAsReconn");
    typeInto("MainStrCmd", "AT");
    onModal = [this](QDialog &, const QString &) {
        if (notices.size() != 1)
            return;
        // The port comes up meanwhile: its send-on-connect and a direct send
        // both meet the send still in progress.
        find<QAbstractButton>("BTConnect")->click();
        form().SendPortData("ATZ");
    };
    pressKey("MainStrCmd", Qt::Key_Return);
    onModal = nullptr;

    EXPECT_EQ(notices, QStringList({"OpenPortError"}));
    ASSERT_EQ(text("BTConnect"), "Disconnect");
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(text("StaticText3"), "TX: 0, RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 0");

    // The guard was released: the next send goes out.
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    EXPECT_EQ(text("LSend"), "Send: 1");
}

TEST_F(Transmit, FilteredEchoIsSentAndCountedButNeitherShownNorRecorded) {
    start();
    connectPort();
    click("StartLog");
    typeInto("FiltrLog", "AT");

    for (const char *command : {"XYZ", "AT+A", "at"}) {
        typeInto("MainStrCmd", command);
        pressKey("MainStrCmd", Qt::Key_Return);
        EXPECT_EQ(device().receive(qstrlen(command) + 1), QByteArray(command) + '\r');
    }
    EXPECT_EQ(text("StaticText3"), "TX: 12 RX: 0");
    EXPECT_EQ(text("LSend"), "Send: 3");
    EXPECT_EQ(logText(), "AT+A");

    // The filter sees the time stamp too.
    click("VisTime");
    typeInto("FiltrLog", "> ]");
    find<ui::LogPane>("MainWindow")->clear();
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("at\r"));
    EXPECT_TRUE(logText().endsWith(" > ] at")) << logText().toStdString();
    typeInto("FiltrLog", "< ]");
    find<ui::LogPane>("MainWindow")->clear();
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("at\r"));
    EXPECT_EQ(logText(), "");

    click("StartLog"); // pausing writes the file out
    const QStringList logs = QDir().entryList({"LOG_*.txt"}, QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    const QByteArray recorded = fileBytes(logs[0]);
    EXPECT_TRUE(recorded.startsWith("AT+A")) << recorded.toStdString();
    EXPECT_EQ(recorded.count(" > ] at"), 1) << recorded.toStdString();
    EXPECT_FALSE(recorded.contains("XYZ"));
}

TEST_F(Transmit, InputThatArrivedBeforeASendIsLoggedBeforeItsEcho) {
    start();
    connectPort();
    typeInto("MainStrCmd", "AT");
    // The event loop does not run from here to the send, so the device's
    // bytes are still waiting unread when it starts.
    device().send("early");
    ASSERT_TRUE(device().waitUntilDelivered(5));
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    EXPECT_EQ(logText(), "early\nAT");
    EXPECT_EQ(text("StaticText3"), "TX: 3 RX: 5");
    EXPECT_EQ(text("LRead"), "Read: 1");

    // The answer to the send is a packet of its own.
    device().send("OK\r");
    ASSERT_TRUE(waitUntil([&] { return logText() == "early\nAT\nOK"; })) << logText().toStdString();
    EXPECT_EQ(text("StaticText3"), "TX: 3 RX: 8");
}

TEST_F(Transmit, EnterAndEscapeInTheCommandLineAndTheTailField) {
    start();
    connectPort();
    typeInto("MainStrCmd", "AT");

    pressKey("AddStrCmd", Qt::Key_Return);
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_EQ(text("LSend"), "Send: 0");

    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    pressKey("MainStrCmd", Qt::Key_Enter);
    EXPECT_EQ(device().receive(3), QByteArray("AT\r"));
    EXPECT_EQ(text("MainStrCmd"), "AT");

    pressKey("AddStrCmd", Qt::Key_Escape);
    EXPECT_EQ(text("AddStrCmd"), "");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(2), QByteArray("AT"));

    pressKey("MainStrCmd", Qt::Key_Escape);
    EXPECT_EQ(text("MainStrCmd"), "");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_EQ(text("LSend"), "Send: 3");
}

TEST_F(Transmit, ChoosingTheDataModeResetsTheTail) {
    start();
    typeInto("AddStrCmd", "$0D$0A");
    click("RBHEX");
    EXPECT_TRUE(find<QRadioButton>("RBHEX")->isChecked());
    EXPECT_EQ(text("AddStrCmd"), "");
    typeInto("AddStrCmd", " [SUM_8(0..n)]");
    click("RBASCII");
    EXPECT_TRUE(find<QRadioButton>("RBASCII")->isChecked());
    EXPECT_EQ(text("AddStrCmd"), "$0D");
}

TEST_F(Transmit, ConnectingSendsTheCommandLineWhenAsked) {
    start();
    click("SendAsReconn");
    connectPort(); // empty command line: nothing to send
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    click("BTConnect");

    typeInto("MainStrCmd", "ATZ");
    connectPort();
    EXPECT_EQ(device().receive(4), QByteArray("ATZ\r"));
    EXPECT_EQ(logText(), "ATZ");
    EXPECT_EQ(text("LSend"), "Send: 1");
    click("BTConnect");

    click("SendAsReconn");
    connectPort();
    EXPECT_TRUE(device().receiveFor(100).isEmpty());
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

TEST_F(Transmit, CommandsOf255CharactersAreSentButNotRemembered) {
    start();
    connectPort();
    const QString remembered(254, 'A');
    const QString tooLong(255, 'B');
    auto *commandLine = find<QLineEdit>("MainStrCmd");
    for (const QString &command : {remembered, tooLong}) {
        commandLine->setText(command);
        pressKey("MainStrCmd", Qt::Key_Return);
        EXPECT_EQ(device().receive(command.size() + 1), command.toLatin1() + '\r');
    }
    form().close();
    QByteArray expected(12800, '\0');
    expected[0] = char(254);
    expected.replace(1, 254, remembered.toLatin1());
    EXPECT_EQ(fileBytes("OldCmd"), expected);
}
