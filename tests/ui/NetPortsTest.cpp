#include "window/TerminalFixture.h"

#include "core/port/NetPortList.h"
#include "support/Ser2netPeer.h"
#include "ui/window/TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QColor kLime(0, 255, 0);
const QColor kYellow(255, 255, 0);

} // namespace

class NetPorts : public TerminalFixture {
protected:
    void startWith(const QString &netPorts) {
        QFile file(QStringLiteral("NetPorts"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(netPorts.toLatin1()) > 0 && file.flush());
        start();
    }
    QComboBox *comPort() { return find<QComboBox>(QStringLiteral("ComPort")); }
    void check(const char *name) { find<QCheckBox>(name)->setChecked(true); }
    // The open ends later; the window goes on meanwhile.
    void connectTo(const QString &entry) {
        comPort()->setCurrentIndex(comPort()->findText(entry));
        click(QStringLiteral("BTConnect"));
        EXPECT_FALSE(find(QStringLiteral("BTConnect"))->isEnabled()) << "opening";
        ASSERT_TRUE(waitUntil([&] { return find(QStringLiteral("BTConnect"))->isEnabled(); }, 10000));
    }
};

TEST_F(NetPorts, ListedBadLineReportedOnceAddedFromTheMenuNothingListeningSaysWhy) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    startWith("# rack\n\nCOM3\nrfc2217://pi.lab:4001\n");
    ASSERT_TRUE(waitUntil([&] { return !notices.isEmpty(); }));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("строка 3") && notices[0].contains("COM3")) << notices[0].toStdString();
    click("BTRescan");
    onModal = [&](QDialog &dialog, const QString &) {
        if (auto *field = dialog.findChild<QLineEdit *>()) {
            field->setText(address);
            dialog.accept();
        }
    };
    comPort()->findChild<QAction *>("AddNetPort")->trigger();
    EXPECT_EQ(comPort()->itemData(1, Qt::ToolTipRole).toString(), "rfc2217://pi.lab:4001");
    EXPECT_EQ(comPort()->toolTip(), "Port: " + address) << "the added one chosen";

    connectTo(address);
    ASSERT_EQ(notices.size(), 3) << "the report, the address asked, the failure: " << notices.join('|').toStdString();
    EXPECT_TRUE(notices[2].startsWith("Что-то не открывается порт. Программа может работать только с COM1..COM9.\n\n"));
    EXPECT_TRUE(notices[2].contains("соединение отклонено")) << notices[2].toStdString();
    EXPECT_EQ(text("BTConnect"), "Connect");
}

TEST_F(NetPorts, ManyBadLinesMakeOneSmallReportOnceTheWindowIsUp) {
    bool windowUp = false;
    int height = 0;
    onModal = [&](QDialog &dialog, const QString &) {
        windowUp = dialog.parentWidget() && dialog.parentWidget()->isVisible();
        height = dialog.height();
    };
    startWith(QString("COM3\n").repeated(10000));
    ASSERT_TRUE(waitUntil([&] { return !notices.isEmpty(); }));
    EXPECT_TRUE(windowUp);
    EXPECT_LT(height, 400);
    EXPECT_EQ(notices[0].count('\n'), core::NetPortList::kReportedLines) << notices[0].left(300).toStdString();
}

TEST_F(NetPorts, EveryByteBothWaysInHexTheBaudRateOnTheFarPortAndAServerRestart) {
    if (!Ser2netPeer::missingTools().isEmpty())
        GTEST_SKIP() << "needs " << Ser2netPeer::missingTools().toStdString() << " (tools/setup.sh installs it)";
    Ser2netPeer peer;
    ASSERT_TRUE(peer.startServer());
    QByteArray all;
    for (int v = 0; v < 256; ++v)
        all += char(v);
    startWith(peer.address(true));
    find<QComboBox>("BaudRate")->setCurrentIndex(find<QComboBox>("BaudRate")->findText("115200"));
    click("RBHEX");
    check("AutoConnect");
    check("SendAsReconn");
    const QString hex = QString::fromLatin1(all.toHex(' ').toUpper());
    find<QLineEdit>("MainStrCmd")->setText(hex);
    connectTo(peer.address(true));
    EXPECT_EQ(comPortColour(), kLime) << notices.join('|').toStdString();
    const termios line = peer.serverLine();
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(peer.receive(256), all);
    peer.send(all);
    ASSERT_TRUE(waitUntil([&] { return form().terminalState().RxTotal == 256 && form().terminalState().RxLen == 0; }));
    QStringList lines = logText().split('\n');
    EXPECT_EQ(lines.takeFirst(), hex) << "the echo";
    EXPECT_EQ(QByteArray::fromHex(lines.join(' ').toLatin1()), all);

    // Reconnecting and the device's start-up time after it leave the window at work.
    peer.stopServer();
    QElapsedTimer sinceBeat;
    qint64 longestStill = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { longestStill = std::max(longestStill, sinceBeat.restart()); });
    sinceBeat.start();
    beat.start(50);
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 5000));
    ASSERT_TRUE(peer.startServer());
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kLime; }, 5000));
    EXPECT_EQ(peer.receive(256), all) << "sent on reconnection";
    EXPECT_LT(longestStill, 1000);
}

TEST_F(NetPorts, RenamedAdapterIsReopenedByItsLastingName) {
    QTemporaryDir byId;
    stableNameFolder = byId.path();
    const QString lasting = byId.filePath("usb-FTDI_FT232R_A50285BI-if00-port0");
    const QDir ports(devDir());
    PtyDevice adapter, stranger, returned;
    linkDevice("ttyUSB0", adapter);
    ASSERT_TRUE(QFile::link(ports.filePath("ttyUSB0"), lasting));
    start();
    EXPECT_EQ(comPort()->toolTip(), "Port: " + lasting);
    check("AutoConnect");
    check("SendAsReconn");
    typeInto("MainStrCmd", "HELLO");
    connectPort();

    adapter.hangUp();
    ASSERT_TRUE(QFile::remove(ports.filePath("ttyUSB0")) && QFile::remove(lasting));
    ASSERT_TRUE(waitUntil([&] { return comPortColour() == kYellow; }, 2500));
    // Another device takes the old name and is left alone; the adapter comes
    // back as ttyUSB1.
    linkDevice("ttyUSB0", stranger);
    EXPECT_TRUE(stranger.receiveFor(1500).isEmpty());
    linkDevice("ttyUSB1", returned);
    ASSERT_TRUE(QFile::link(ports.filePath("ttyUSB1"), lasting));
    EXPECT_EQ(returned.receive(6, 8000), "HELLO\r");
    EXPECT_EQ(text("ComPort"), "ttyUSB1");
    EXPECT_EQ(comPortColour(), kLime);
}

TEST_F(NetPorts, WhatArrivesWhileTheAllSentNoticeIsOpenIsShownThoughTheServerThenCloses) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
    QFile commands(QStringLiteral("commands.txt"));
    ASSERT_TRUE(commands.open(QIODevice::WriteOnly) && commands.write("L1\n") == 3);
    commands.close();
    startWith(address + '\n');
    click("RBAfterAns");
    onModal = [&](QDialog &dialog, const QString &) {
        if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
            files->selectFile(QFileInfo(commands).absoluteFilePath());
            static_cast<QDialog *>(files)->accept();
        }
    };
    click("ButtonReadFile");
    connectTo(address);
    ASSERT_TRUE(waitUntil([&] { return server.hasPendingConnections(); }));
    QTcpSocket *device = server.nextPendingConnection();
    const QByteArray flood(10000, 'x');
    onModal = [&](QDialog &, const QString &text) {
        if (text != QStringLiteral("Все команды отправлены"))
            return;
        device->write(flood);
        device->disconnectFromHost();
        EXPECT_TRUE(waitUntil([&] { return comPortColour() == QColor(255, 0, 0); }, 5000)) << "the loss seen";
    };
    click("SendStart");
    ASSERT_TRUE(waitUntil([&] { return device->bytesAvailable() >= 3; }));
    EXPECT_EQ(device->readAll(), "L1\r");
    device->write("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return notices.contains(QStringLiteral("Все команды отправлены")); }, 10000));
    // The flood's packets are answers too, and go on with the file.
    ASSERT_TRUE(waitUntil([&] { return text("StaticText3").endsWith(" RX: 10004"); }))
        << text("StaticText3").toStdString();
    EXPECT_EQ(logText().count('x'), 10000);
}
