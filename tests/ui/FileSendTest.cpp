// "Отправить файл…" on the real terminal: the shortcut asks for the file and
// the protocol, the progress window follows the transfer to a device that
// plays an XMODEM receiver, and the log shows its start and end.
#include "window/TerminalFixture.h"

#include "tx/FileSender.h"
#include "ui/window/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

QWidget *sendWindow() {
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("FileSendWindow"))
            return window;
    return nullptr;
}

} // namespace

TEST_F(TerminalFixture, SendFileFromTheMenuWithProgress) {
    start();
    connectPort();
    const QString path = workDir() + QStringLiteral("/image.bin");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(200, 'x'));
    file.close();

    onModal = [path](QDialog &dialog, const QString &) {
        if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
            files->selectFile(path);
            static_cast<QDialog *>(files)->accept();
        } else if (auto *choice = dialog.findChild<QComboBox *>(QStringLiteral("SendFileProtocolChoice"))) {
            choice->setCurrentIndex(choice->findText(QStringLiteral("XMODEM")));
            dialog.accept();
        }
    };
    QApplication::setActiveWindow(&form());
    QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    onModal = nullptr;
    QWidget *window = sendWindow();
    ASSERT_TRUE(window && window->isVisible());

    // The device answers as a receiver: checksum blocks, then the end.
    device().send(QByteArray(1, tx::FileSender::kNak));
    EXPECT_EQ(device().receive(132).size(), 132);
    device().send(QByteArray(1, tx::FileSender::kAck));
    EXPECT_EQ(device().receive(132).size(), 132);
    device().send(QByteArray(1, tx::FileSender::kAck));
    EXPECT_EQ(device().receive(1), QByteArray(1, tx::FileSender::kEot));
    device().send(QByteArray(1, tx::FileSender::kAck));

    auto *result = window->findChild<QLabel *>(QStringLiteral("SendFileResult"));
    ASSERT_TRUE(result);
    EXPECT_TRUE(waitUntil([&] { return result->text().startsWith(QStringLiteral("Файл отправлен")); }))
        << result->text().toStdString();
    EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("SendFileBytes"))->text(),
              QStringLiteral("200 из 200 байт (100 %)"));
    EXPECT_TRUE(logText().contains(QStringLiteral("Отправка файла image.bin (200 байт), XMODEM")));
    EXPECT_TRUE(logText().contains(QStringLiteral("Файл image.bin отправлен (XMODEM): 200 байт")));
    // The port is the window's again.
    auto *button = window->findChild<QPushButton *>(QStringLiteral("SendFileCancel"));
    EXPECT_EQ(button->text(), QStringLiteral("Закрыть"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}
