#include "window/TerminalFixture.h"

#include "ui/TForm1.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A history record: the length byte, then the text padded with zeros.
QByteArray record(const QByteArray &text) { return char(text.size()) + text.leftJustified(255, '\0'); }

} // namespace

class HistoryWindow : public TerminalFixture {
protected:
    void send(const QString &command) {
        typeInto("MainStrCmd", command);
        pressKey("MainStrCmd", Qt::Key_Return);
        ASSERT_EQ(device().receive(command.size() + 1), command.toLatin1() + '\r');
    }
    void clickOpener(const char *name) { QTest::mouseClick(find<QLabel>(name), Qt::LeftButton); }
    bool shownWithFocus(const char *name) {
        QWidget *list = find(name);
        return waitUntil([list] { return list->isVisible() && list->hasFocus(); }, 2000);
    }
};

TEST_F(HistoryWindow, DropDownFillsTheCommandLineWithoutSending) {
    start();
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    connectPort();
    for (const char *command : {"A", "B", "A"})
        send(command);

    typeInto("MainStrCmd", "x");
    pressKey("MainStrCmd", Qt::Key_Down);
    ASSERT_TRUE(shownWithFocus("FastOldCmd"));
    auto *dropDown = find<QListWidget>("FastOldCmd");
    ASSERT_EQ(dropDown->count(), 2);
    pressKey("FastOldCmd", Qt::Key_Return); // nothing selected yet
    EXPECT_TRUE(dropDown->isVisible());
    pressKey("FastOldCmd", Qt::Key_Down);
    pressKey("FastOldCmd", Qt::Key_Down);
    pressKey("FastOldCmd", Qt::Key_Return);
    EXPECT_EQ(text("MainStrCmd"), "B");
    EXPECT_FALSE(dropDown->isVisible());
    EXPECT_TRUE(device().receiveFor(100).isEmpty());

    clickOpener("Str1");
    ASSERT_TRUE(shownWithFocus("FastOldCmd"));
    pressKey("FastOldCmd", Qt::Key_Escape);
    EXPECT_FALSE(dropDown->isVisible());
    EXPECT_EQ(text("MainStrCmd"), "B");

    clickOpener("Str1");
    ASSERT_TRUE(shownWithFocus("FastOldCmd"));
    find("AddStrCmd")->setFocus();
    EXPECT_TRUE(waitUntil([dropDown] { return !dropDown->isVisible(); }, 2000)) << "hides on leaving";

    form().close();
    EXPECT_EQ(fileBytes("OldCmd"), (record("A") + record("B")).leftJustified(12800, '\0'));
}

TEST_F(HistoryWindow, FirstCommandOfAFreshHistoryIsTheFirstRecord) {
    start();
    connectPort();
    send("AT");
    form().close();
    EXPECT_EQ(fileBytes("OldCmd"), record("AT").leftJustified(12800, '\0'));
}

TEST_F(HistoryWindow, TailPickerReplacesTheWholeTail) {
    start();
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    auto *picker = find<QListWidget>("LBTail");
    pressKey("AddStrCmd", Qt::Key_Down);
    ASSERT_TRUE(shownWithFocus("LBTail"));
    picker->setCurrentRow(4);
    pressKey("LBTail", Qt::Key_Return);
    EXPECT_EQ(text("AddStrCmd"), "[XOR_8 (1..n)]");
    EXPECT_FALSE(picker->isVisible());

    clickOpener("Str2");
    ASSERT_TRUE(shownWithFocus("LBTail"));
    pressKey("LBTail", Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(text("AddStrCmd"), "[XOR_8 (1..n)]");
}
