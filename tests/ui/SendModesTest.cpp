#include "window/TerminalFixture.h"

#include "support/AnsweringDevice.h"
#include "ui/window/TForm1.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <sys/stat.h>

class SendModesWindow : public TerminalFixture {
protected:
    const QString kAllSent = QStringLiteral("Все команды отправлены");

    // A command file "L1".."Ln" in a folder of its own.
    QString commandFile(int lines = 3, const char *end = "\n") {
        const QString path = filesDir_.filePath("commands.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int n = 1; n <= lines; ++n)
            file.write("L" + QByteArray::number(n) + end);
        return path;
    }

    // Loads a file through the file dialog; then may act inside the dialog.
    void chooseFile(const QString &path, const std::function<void()> &afterChoice = {}) {
        onModal = [path, afterChoice](QDialog &dialog, const QString &) {
            if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
                files->selectFile(path);
                static_cast<QDialog *>(files)->accept(); // the file dialog's own check
                if (afterChoice)
                    afterChoice();
            }
        };
        click("ButtonReadFile");
        onModal = nullptr;
    }

    void clickLine(int row) {
        auto *list = find<QListWidget>("OldCmdList");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    QTemporaryDir filesDir_;
};

TEST_F(SendModesWindow, AfterAnswerChainsTheCommandLineThenTheFileLines) {
    start();
    connectPort();
    click("RBAfterAns");
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(answerCommands(device(), 3), QList<QByteArray>(3, "AT"));
    click("RBManual");

    chooseFile(commandFile(3, "\r\n"));
    click("RBAfterAns");
    click("SendStart");
    EXPECT_EQ(answerCommands(device(), 3), (QList<QByteArray>{"L1", "L2", "L3"}));
    ASSERT_TRUE(waitUntil([&] { return notices.contains(kAllSent); }, 5000)) << notices.join('|').toStdString();
    // In cycles the answer to the last line sends the first at once.
    click("CiklSend");
    click("SendStart");
    EXPECT_EQ(answerCommands(device(), 5), (QList<QByteArray>{"L1", "L2", "L3", "L1", "L2"}));
    click("RBManual");
    EXPECT_EQ(notices, QStringList({"OpenDialog1", kAllSent}));
}

TEST_F(SendModesWindow, CommandFileGoesByHandOnConnectAndOnSelectAndBadFilesAreReported) {
    start();
    click("SendAsReconn");
    const QString path = commandFile();
    chooseFile(path);
    EXPECT_TRUE(find("SendStart")->isVisible() && !find("CBLists")->isVisible());
    EXPECT_FALSE(find("EditAllCmd")->isVisible()) << "file mode and editor mode exclude each other";
    EXPECT_EQ(text("STListName"), QDir::toNativeSeparators(path));
    // The history drop-down leaves the file's lines in the list.
    pressKey("MainStrCmd", Qt::Key_Down);
    EXPECT_EQ(find<QListWidget>("OldCmdList")->count(), 3);

    typeInto("MainStrCmd", "CMD");
    connectPort(); // sends line 1 rather than the command line
    EXPECT_EQ(device().receive(3), "L1\r");
    // Each send purges what the device has not read yet: read after each.
    for (const QByteArray line : {"L2\r", "L3\r", "", "L1\r"}) {
        click("SendStart");
        EXPECT_EQ(device().receive(1, line.isEmpty() ? 100 : 2000), line);
    }
    EXPECT_EQ(notices, QStringList({"OpenDialog1", kAllSent}));

    click("RBSel");
    EXPECT_FALSE(find("SendStart")->isEnabled());
    clickLine(1);
    EXPECT_EQ(device().receive(3), "L2\r");
    click("RBManual");
    clickLine(2);
    EXPECT_EQ(text("MainStrCmd"), "L3");
    pressKey("MainStrCmd", Qt::Key_Return);
    EXPECT_EQ(device().receive(3), "L3\r") << "the click in manual mode sent nothing";

    click("ButtonReadFile");
    EXPECT_TRUE(!find("SendStart")->isVisible() && find("CBLists")->isVisible());
    EXPECT_EQ(text("STListName"), "List 1");
    EXPECT_EQ(QDir::currentPath(), QDir(workDir()).canonicalPath());

    // A file gone before it is read: reported, and the file mode stays set.
    chooseFile(path, [path] { QFile::remove(path); });
    EXPECT_TRUE(notices.last().contains(path) && notices.last().contains("No such file"))
        << notices.last().toStdString();
    EXPECT_EQ(text("ButtonReadFile"), "Назад");
    click("ButtonReadFile");
    chooseFile(commandFile(600, "\r\n"));
    EXPECT_EQ(notices.last(), "Большой файл");
}

TEST_F(SendModesWindow, PeriodSendsAtOnceThenAgainAndNothingWithoutPeriodOrPort) {
    start();
    connectPort();
    typeInto("PeriodTX", "100");
    pressKey("PeriodTX", Qt::Key_A);
    EXPECT_EQ(text("PeriodTX"), "100");
    typeInto("MainStrCmd", "P");
    click("RBPeriod");
    EXPECT_EQ(device().receive(4, 3000).left(4), "P\rP\r");

    find<QLineEdit>("PeriodTX")->clear();
    device().receiveFor(50); // what was under way
    EXPECT_TRUE(device().receiveFor(300).isEmpty());

    typeInto("PeriodTX", "100");
    click("BTConnect");
    EXPECT_TRUE(device().receiveFor(300).isEmpty());
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();
    connectPort(); // and it goes on
    EXPECT_EQ(device().receive(2, 3000).left(2), "P\r");
}

TEST_F(SendModesWindow, CyclicPeriodicSendingRestartsWhenCyclicIsChecked) {
    start();
    connectPort();
    chooseFile(commandFile());
    typeInto("PeriodTX", "1");
    click("RBPeriod");
    ASSERT_TRUE(waitUntil([&] { return notices.contains(kAllSent); }, 5000));
    EXPECT_EQ(device().receive(9), "L1\rL2\rL3\r");
    EXPECT_TRUE(device().receiveFor(100).isEmpty()) << "the timer stopped at the end";

    click("CiklSend");
    EXPECT_EQ(device().receive(12, 3000).left(12), "L1\rL2\rL3\rL1\r");
    click("RBManual");
}

TEST_F(SendModesWindow, ArrowsOnlyMoveInTheCommandListEnterTakesTheLine) {
    start();
    connectPort();
    chooseFile(commandFile());
    click("RBSel");
    find<QListWidget>("OldCmdList")->setCurrentRow(0);
    for (const int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
        pressKey("OldCmdList", key);
    EXPECT_EQ(device().receive(3), "L3\r") << "sent by Enter, nothing by the arrows";
    click("RBManual");
    for (const int key : {Qt::Key_Up, Qt::Key_Enter})
        pressKey("OldCmdList", key);
    EXPECT_EQ(text("MainStrCmd"), "L2");
}

TEST_F(SendModesWindow, AFifoIsReportedAndAHugeFileLoadsAtOnce) {
    start();
    const QString fifo = filesDir_.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    chooseFile(fifo); // no writer: opening it the plain way would wait for ever
    EXPECT_TRUE(notices.last().contains(fifo)) << notices.last().toStdString();
    click("ButtonReadFile");
    QFile huge(filesDir_.filePath("huge.txt")); // a gigabyte, no line break
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
    chooseFile(huge.fileName());
    EXPECT_EQ(notices.last(), "Большой файл");
}
