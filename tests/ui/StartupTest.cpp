#include "window/TerminalFixture.h"

#include "support/FileBytes.h"
#include "ui/widgets/LogPane.h"
#include "ui/window/TForm1.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTime>

#include <sys/stat.h>

namespace {

QByteArray historyRecord(const QByteArray &text) {
    QByteArray record(256, '\0');
    record[0] = static_cast<char>(text.size());
    record.replace(1, text.size(), text);
    return record;
}

} // namespace

using Startup = TerminalFixture;

TEST_F(Startup, WindowStartsInItsDesignedState) {
    start();
    EXPECT_EQ(form().windowTitle(), "TerminalKVR");
    EXPECT_EQ(form().size(), QSize(952, 770));
    EXPECT_EQ(text("MinTimeWait"), "MIN_T_W:  NA");
    EXPECT_EQ(text("MaxTimeWait"), "MAX_T_W: NA");
    EXPECT_EQ(text("LRead"), "Read: 0");
    EXPECT_EQ(text("LSend"), "Send: 0");
    EXPECT_EQ(text("TimeOutAns"), "TimeOutRX: 0");
    EXPECT_EQ(text("MainWindow"), "");
    EXPECT_EQ(text("StaticText3"), "TX: 0, RX: 0");
    EXPECT_EQ(text("STLog"), "Запись в файл не ведётся");
    EXPECT_EQ(text("BTConnect"), "Connect");
    EXPECT_EQ(text("AddStrCmd"), "$0D");
    EXPECT_EQ(text("BaudRate"), "1200");
    EXPECT_EQ(text("ComBits"), "8");
    EXPECT_EQ(text("ComStopBits"), "1");
    EXPECT_TRUE(find<QPushButton>("BTConnect")->hasFocus());
    EXPECT_FALSE(form().terminalState().PortOpen);
    EXPECT_TRUE(notices.isEmpty()) << notices.join('|').toStdString();

    for (const char *hidden :
         {"SecondWindow", "FastOldCmd", "LBTail", "OldCmdList", "STListName", "ListNameEDT", "DelList", "SaveF",
          "ListDec", "ListInc", "OldCommandsBT", "SendStart", "CiklSend", "StaticText1", "Edit1", "Edit48"})
        EXPECT_FALSE(find(hidden)->isVisible()) << hidden;
    for (const char *shown : {"MainWindow", "CBLists", "EditAllCmd", "ButtonReadFile", "RBName", "RbData", "ButtonSend",
                              "STLog", "Button1", "Button48", "STH12", "AutoConnect", "SendAsReconn"})
        EXPECT_TRUE(find(shown)->isVisible()) << shown;

    // The macro grid: six columns of eight, numbered down the columns.
    EXPECT_EQ(find("Button1")->geometry(), QRect(8, 72, 89, 25));
    EXPECT_EQ(find("Button9")->geometry(), QRect(96, 72, 89, 25));
    EXPECT_EQ(find("Button48")->geometry(), QRect(448, 240, 201, 25));
    EXPECT_EQ(find("Edit17")->geometry(), find("Button17")->geometry());
    EXPECT_EQ(find("Button17")->property("tag").toInt(), 17);
    EXPECT_EQ(find("STH5")->property("tag").toInt(), 5);
    // The description panel starts with its help text, blanks included.
    EXPECT_EQ(text("STH1"), "Краткая справка по каждой команде");
    EXPECT_EQ(text("STH4"), "   Редактируемая  справка  отображается при");
    EXPECT_EQ(text("STH11"), "   редактирования. ");
    EXPECT_EQ(text("STH12"), "   ");
}

TEST_F(Startup, FirstStartCreatesAnEmptyHistoryFile) {
    start();
    EXPECT_EQ(fileBytes("OldCmd"), QByteArray(12800, '\0'));
    EXPECT_EQ(find<QListWidget>("FastOldCmd")->count(), 0);
    EXPECT_EQ(find<QListWidget>("OldCmdList")->count(), 0);
}

TEST_F(Startup, PartlyFilledHistoryIsListedWithoutGaps) {
    QFile file("OldCmd");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray records;
    for (int k = 0; k < 50; ++k)
        records += historyRecord(k == 0 ? "first" : k == 3 ? "fourth" : k == 49 ? "last" : "");
    file.write(records);
    file.close();

    start();
    auto *quick = find<QListWidget>("FastOldCmd");
    ASSERT_EQ(quick->count(), 3);
    EXPECT_EQ(quick->item(0)->text(), "first");
    EXPECT_EQ(quick->item(1)->text(), "fourth");
    EXPECT_EQ(quick->item(2)->text(), "last");
    EXPECT_EQ(find<QListWidget>("OldCmdList")->count(), 3);
}

TEST_F(Startup, ShortHistoryFileCountsMissingRecordsAsEmpty) {
    QFile file("OldCmd");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(historyRecord("AT") + QByteArray(10, '\0'));
    file.close();
    start();
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(find<QListWidget>("FastOldCmd")->count(), 1);
}

TEST_F(Startup, UnreadableHistoryIsReportedAndTheWindowStillWorks) {
    ASSERT_TRUE(QDir().mkdir("OldCmd"));
    start();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("OldCmd"));
    EXPECT_EQ(find<QComboBox>("ComPort")->count(), 1);
    connectPort();
}

TEST_F(Startup, AMacroStoreThatCannotBeReadSaysWhereOrWhy) {
    const QByteArray damaged(1000, 'x');
    QFile file("CmdConfig");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(damaged) == damaged.size());
    file.close();
    start();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].section('\n', 0, 0), "Проблема с файлом конфигурации, он будет перезаписан");
    EXPECT_TRUE(notices[0].endsWith(QDir::current().absoluteFilePath("CmdConfig.bad"))) << notices[0].toStdString();
    EXPECT_EQ(fileBytes("CmdConfig.bad"), damaged);

    // Not a file at all: never written over, and a save says why.
    ASSERT_TRUE(QFile::remove("CmdConfig") && ::mkfifo("CmdConfig", 0600) == 0);
    start();
    click("EditAllCmd");
    click("EditAllCmd");
    ASSERT_EQ(notices.size(), 3);
    EXPECT_TRUE(notices[2].contains(notices[1].section('\n', 1))) << notices[2].toStdString();
    EXPECT_EQ(QFileInfo("CmdConfig").size(), 0) << "still the FIFO";
}

TEST_F(Startup, CloseRewritesTheHistoryButNeverRecreatesIt) {
    start();
    connectPort();
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    form().close();
    QByteArray expected(12800, '\0');
    expected.replace(0, 3,
                     QByteArray("\x02"
                                "AT",
                                3));
    EXPECT_EQ(fileBytes("OldCmd"), expected);

    ASSERT_TRUE(QFile::remove("OldCmd"));
    form().close();
    EXPECT_FALSE(QFile::exists("OldCmd"));
}

// Emptied but for what came after the 5000th row: the newest stays in sight.
TEST_F(Startup, HousekeepingEmptiesTheLogPast5000Rows) {
    start();
    auto *log = find<ui::LogPane>("MainWindow");
    for (int n = 0; n < 5000; ++n)
        log->append(QString::number(n));
    processEventsFor(50);
    EXPECT_EQ(log->rowCount(), 5000);

    log->append("5001");
    ASSERT_TRUE(waitUntil([&] { return log->toPlainText() == "5001"; }, 2000));
}

TEST_F(Startup, HousekeepingShowsTheClock) {
    start();
    ASSERT_TRUE(waitUntil([&] { return !text("TextTime").isEmpty(); }, 100));
    EXPECT_TRUE(QTime::fromString(text("TextTime"), "HH:mm:ss").isValid()) << text("TextTime").toStdString();
}

TEST_F(Startup, HeightChangeStretchesTheLogAndKeepsThePanelsAtTheBottom) {
    start();
    const QRect panelBefore = find("MainPanel")->geometry();
    form().resize(952, 900);
    processEventsFor(20);
    EXPECT_EQ(find("MainWindow")->geometry(), QRect(4, 28, 937, 382 + 130));
    EXPECT_EQ(find("SecondWindow")->geometry(), QRect(4, 28, 937, 382 + 130));
    EXPECT_EQ(find("MainPanel")->geometry(), panelBefore.translated(0, 130));
    EXPECT_EQ(find("LogPanel")->geometry().bottom() + 1, find("MainPanel")->y());
    EXPECT_EQ(form().height() - find("MainPanel")->geometry().bottom() - 1, 14);

    form().resize(952, 770);
    processEventsFor(20);
    EXPECT_EQ(find("MainWindow")->geometry(), QRect(4, 28, 937, 382));
    EXPECT_EQ(find("MainPanel")->geometry(), panelBefore);
    EXPECT_EQ(find("Button1")->geometry(), QRect(8, 72, 89, 25));
}
