#include "window/TerminalFixture.h"

#include "support/Ser2netPeer.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QTcpServer>
#include <QTimer>

namespace {

const QColor kLime(0, 255, 0);
const QColor kYellow(255, 255, 0);

QByteArray allByteValues() {
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all += char(v);
    return all;
}

} // namespace

class NetPorts : public TerminalFixture {
protected:
    void startWith(const QStringList &lines) {
        QFile file(QStringLiteral("NetPorts"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.join('\n').toLatin1() + '\n');
        file.close();
        start();
    }
    QComboBox *comPort() { return find<QComboBox>(QStringLiteral("ComPort")); }
    // Connects to the listed address; the open ends later, the window going
    // on meanwhile.
    void connectTo(const QString &address) {
        comPort()->setCurrentIndex(comPort()->findText(address));
        click(QStringLiteral("BTConnect"));
        EXPECT_FALSE(find(QStringLiteral("BTConnect"))->isEnabled()) << "opening";
        ASSERT_TRUE(waitUntil([&] { return find(QStringLiteral("BTConnect"))->isEnabled(); }, 10000));
    }
};

class NetPortsServed : public NetPorts {
protected:
    void SetUp() override {
        if (!Ser2netPeer::missingTools().isEmpty())
            GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString() << " (tools/setup.sh installs it)";
        ASSERT_TRUE(m_peer.emplace().startServer());
    }
    std::optional<Ser2netPeer> m_peer;
};

TEST_F(NetPorts, ListedAfterTheSystemPortsBadLinesReportedOnceAddedFromTheMenu) {
    startWith({"# rack", "", "rfc2217://127.0.0.1:2001", "COM3", "tcp://pi.lab:4001"});
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("строка 4") && notices[0].contains("COM3")) << notices[0].toStdString();
    ASSERT_EQ(comPort()->count(), 3);
    EXPECT_EQ(comPort()->itemText(0), "ttyV0");
    EXPECT_EQ(comPort()->itemText(1), "rfc2217://127.0.0.1:2001");
    EXPECT_EQ(comPort()->itemData(2, Qt::ToolTipRole).toString(), "tcp://pi.lab:4001");
    click("BTRescan");
    EXPECT_EQ(notices.size(), 1) << "reported once";

    onModal = [](QDialog &dialog, const QString &) {
        if (auto *ask = qobject_cast<QInputDialog *>(&dialog)) {
            ask->setTextValue("tcp://10.0.0.7:4002");
            ask->accept();
        }
    };
    auto *add = comPort()->findChild<QAction *>("AddNetPort");
    ASSERT_NE(add, nullptr);
    add->trigger();
    QFile file(QStringLiteral("NetPorts"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("tcp://pi.lab:4001\ntcp://10.0.0.7:4002\n"));
    EXPECT_EQ(text("ComPort"), "tcp://10.0.0.7:4002");
    EXPECT_EQ(comPort()->toolTip(), "Port: tcp://10.0.0.7:4002");
    EXPECT_EQ(notices.size(), 2) << "the dialog only: " << notices.join('|').toStdString();
}

TEST_F(NetPorts, NothingListeningIsReportedWithTheReason) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    startWith({address});
    connectTo(address);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith("Что-то не открывается порт. Программа может работать только с COM1..COM9.\n\n"));
    EXPECT_TRUE(notices[0].contains("соединение отклонено")) << notices[0].toStdString();
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_TRUE(comPort()->isEnabled());
}

TEST_F(NetPortsServed, EveryByteValueBothWaysInHexAndTheBaudRateSetOnTheFarPort) {
    startWith({m_peer->address(true)});
    auto *baudRate = find<QComboBox>("BaudRate");
    baudRate->setCurrentIndex(baudRate->findText("115200"));
    click("RBHEX");
    connectTo(m_peer->address(true));
    EXPECT_EQ(comPortColour(), kLime) << notices.join('|').toStdString();
    const termios line = m_peer->serverLine();
    EXPECT_EQ(cfgetospeed(&line), B115200);

    const QString hex = QString::fromLatin1(allByteValues().toHex(' ').toUpper());
    find<QLineEdit>("MainStrCmd")->setText(hex);
    click("ButtonSend");
    EXPECT_EQ(m_peer->receive(256), allByteValues());
    m_peer->send(allByteValues());
    ASSERT_TRUE(waitUntil([&] {
        const TerminalState state = form().terminalState();
        return state.RxTotal == 256 && state.RxLen == 0;
    }, 5000));
    QStringList lines = logText().split('\n');
    EXPECT_EQ(lines.takeFirst(), hex) << "the echo";
    EXPECT_EQ(QByteArray::fromHex(lines.join(' ').toLatin1()), allByteValues());
}

TEST_F(NetPortsServed, ServerRestartWithAutoConnectIsYellowThenLimeWithoutHoldingTheWindow) {
    startWith({m_peer->address(true)});
    find<QCheckBox>("AutoConnect")->setChecked(true);
    find<QCheckBox>("SendAsReconn")->setChecked(true);
    typeInto("MainStrCmd", "HELLO");
    connectTo(m_peer->address(true));
    EXPECT_EQ(m_peer->receive(6), "HELLO\r");

    m_peer->stopServer();
    // Reconnecting, and the device's start-up time after it, pass with the
    // window at work.
    QElapsedTimer sinceBeat;
    qint64 longestStill = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { longestStill = std::max(longestStill, sinceBeat.restart()); });
    sinceBeat.start();
    beat.start(50);
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 5000));
    ASSERT_TRUE(m_peer->startServer());
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kLime; }, 5000));
    EXPECT_EQ(m_peer->receive(6), "HELLO\r");
    EXPECT_LT(longestStill, 1000);
    EXPECT_TRUE(form().terminalState().PortOpen);
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
}

TEST_F(NetPorts, RenamedAdapterIsReopenedByItsLastingName) {
    QTemporaryDir byId;
    stableNameFolder = byId.path();
    const QString lasting = byId.filePath("usb-FTDI_FT232R_A50285BI-if00-port0");
    const QDir ports(devDir());
    auto adapter = std::make_unique<PtyDevice>();
    linkDevice("ttyUSB0", *adapter);
    ASSERT_TRUE(QFile::link(ports.filePath("ttyUSB0"), lasting));
    start();
    EXPECT_EQ(text("ComPort"), "ttyUSB0");
    EXPECT_EQ(comPort()->toolTip(), "Port: " + lasting);
    find<QCheckBox>("AutoConnect")->setChecked(true);
    find<QCheckBox>("SendAsReconn")->setChecked(true);
    typeInto("MainStrCmd", "HELLO");
    connectPort();
    EXPECT_EQ(adapter->receive(6), "HELLO\r");

    adapter->hangUp();
    ASSERT_TRUE(QFile::remove(ports.filePath("ttyUSB0")) && QFile::remove(lasting));
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 2500));
    // Another device takes the old name and is left alone; the adapter comes
    // back as ttyUSB1.
    PtyDevice stranger, returned;
    linkDevice("ttyUSB0", stranger);
    EXPECT_TRUE(stranger.receiveFor(1500).isEmpty());
    EXPECT_EQ(comPortColour(), kYellow);
    linkDevice("ttyUSB1", returned);
    ASSERT_TRUE(QFile::link(ports.filePath("ttyUSB1"), lasting));
    EXPECT_EQ(returned.receive(6, 8000), "HELLO\r");
    EXPECT_EQ(text("ComPort"), "ttyUSB1");
    EXPECT_EQ(comPortColour(), kLime);
}
