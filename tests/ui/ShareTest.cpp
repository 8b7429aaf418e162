// The window's port for scripts: offered while connected, listening at once
// on the user's socket, on TCP when asked, its clients' commands in the log
// with their mark, every client ended when the window closes the share.
#include "window/TerminalFixture.h"

#include "session/PortShare.h"
#include "ui/dialogs/ShareWindow.h"
#include "ui/window/TForm1.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QTcpSocket>
#include <QTest>

namespace {

class Share : public TerminalFixture {
protected:
    ui::ShareWindow *shareWindow() {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == QStringLiteral("ShareWindow"))
                return qobject_cast<ui::ShareWindow *>(window);
        return nullptr;
    }
    QAction *openAction() { return shareWindow()->openAction(); }
    QString shareText(const char *name) {
        auto *edit = shareWindow()->findChild<QLineEdit *>(QLatin1String(name));
        if (edit)
            return edit->text();
        auto *label = shareWindow()->findChild<QLabel *>(QLatin1String(name));
        return label ? label->text() : QString();
    }
    void shareClick(const char *name) {
        QTest::mouseClick(shareWindow()->findChild<QAbstractButton *>(QLatin1String(name)), Qt::LeftButton);
    }
};

TEST_F(Share, OfferedWhileConnectedServesTheUsersSocketAndTcp) {
    start();
    ASSERT_NE(shareWindow(), nullptr);
    EXPECT_FALSE(openAction()->isEnabled());
    connectPort();
    EXPECT_TRUE(openAction()->isEnabled());
    QApplication::setActiveWindow(&form());
    QTest::keyClick(&form(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(shareWindow()->isVisible());

    // The user's own socket, at once; its path to copy.
    const QString path = shareText("ShareAddress");
    EXPECT_TRUE(path.endsWith(QStringLiteral(".sock"))) << path.toStdString();
    EXPECT_TRUE(QFile::exists(path));
    shareClick("ShareCopy");
    EXPECT_EQ(QApplication::clipboard()->text(), path);
    QLocalSocket local;
    local.connectToServer(path);
    ASSERT_TRUE(local.waitForConnected(3000));
    local.write("ONE\r");
    EXPECT_EQ(device().receive(4), QByteArray("ONE\r"));

    // TCP on the loopback, no warning.
    shareClick("ShareTcp");
    shareClick("ShareListen");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(waitUntil([&] { return local.state() == QLocalSocket::UnconnectedState; }));
    const QString address = shareText("ShareAddress");
    ASSERT_TRUE(address.startsWith(QStringLiteral("rfc2217://127.0.0.1:"))) << address.toStdString();
    EXPECT_EQ(shareText("ShareWarning"), QString());
    QTcpSocket tcp;
    tcp.connectToHost(QHostAddress::LocalHost, quint16(address.section(':', -1).toUInt()));
    ASSERT_TRUE(waitUntil([&] { return shareWindow()->share().clientCount() == 1; }));
    tcp.write("TWO\r");
    EXPECT_EQ(device().receive(4), QByteArray("TWO\r"));
    device().send("ANSWER\r\n");
    EXPECT_TRUE(waitUntil([&] { return tcp.bytesAvailable() >= 8; }));
    EXPECT_TRUE(waitUntil([&] { return logText().contains(QStringLiteral("ANSWER")); }));
    EXPECT_TRUE(logText().contains(QStringLiteral("[скрипт 2] TWO"))) << logText().toStdString();

    // Closing the window ends every client.
    shareClick("ShareStop");
    EXPECT_FALSE(shareWindow()->isVisible());
    EXPECT_TRUE(waitUntil([&] { return tcp.state() == QAbstractSocket::UnconnectedState; }));
}

TEST_F(Share, AnotherInterfaceIsWarnedAboutAndDisconnectingEndsTheShare) {
    start();
    connectPort();
    openAction()->trigger();
    shareClick("ShareTcp");
    auto *host = shareWindow()->findChild<QLineEdit *>(QStringLiteral("ShareHost"));
    host->setText(QStringLiteral("0.0.0.0"));
    shareClick("ShareListen");
    EXPECT_TRUE(shareText("ShareWarning").startsWith(QStringLiteral("Внимание")))
        << shareText("ShareWarning").toStdString();
    EXPECT_TRUE(shareWindow()->share().isListening());

    click(QStringLiteral("BTConnect")); // disconnect
    EXPECT_FALSE(shareWindow()->share().isListening());
    EXPECT_FALSE(shareWindow()->isVisible());
    EXPECT_FALSE(openAction()->isEnabled());
}

} // namespace
