#include "window/TerminalFixture.h"

#include "support/FileBytes.h"
#include "support/HeldLock.h"
#include "ui/window/TForm1.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {

// The history file: records of a length byte and the text padded with zeros.
QByteArray history(const QList<QByteArray> &texts) {
    QByteArray bytes;
    for (const QByteArray &text : texts)
        bytes += char(text.size()) + text.leftJustified(255, '\0');
    return bytes.leftJustified(12800, '\0');
}

} // namespace

class HistoryWindow : public TerminalFixture {
protected:
    void startConnected(const QList<QByteArray> &commands) {
        start();
        form().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
        connectPort();
        for (const QByteArray &command : commands) {
            typeInto("MainStrCmd", QString::fromLatin1(command));
            pressKey("MainStrCmd", Qt::Key_Return);
            ASSERT_EQ(device().receive(command.size() + 1), command + '\r');
        }
    }
    bool shownWithFocus(const char *name, const char *opener = nullptr) {
        if (opener)
            QTest::mouseClick(find<QLabel>(opener), Qt::LeftButton);
        QWidget *list = find(name);
        return waitUntil([list] { return list->isVisible() && list->hasFocus(); }, 2000);
    }
};

TEST_F(HistoryWindow, DropDownFillsTheCommandLineWithoutSending) {
    startConnected({"A", "B", "A"});
    typeInto("MainStrCmd", "x");
    pressKey("MainStrCmd", Qt::Key_Down);
    ASSERT_TRUE(shownWithFocus("FastOldCmd"));
    auto *dropDown = find<QListWidget>("FastOldCmd");
    pressKey("FastOldCmd", Qt::Key_Return); // nothing selected yet
    EXPECT_TRUE(dropDown->isVisible());
    pressKey("FastOldCmd", Qt::Key_Down);
    pressKey("FastOldCmd", Qt::Key_Down);
    pressKey("FastOldCmd", Qt::Key_Return);
    EXPECT_EQ(text("MainStrCmd"), "B");
    EXPECT_FALSE(dropDown->isVisible());

    ASSERT_TRUE(shownWithFocus("FastOldCmd", "Str1"));
    pressKey("FastOldCmd", Qt::Key_Escape);
    EXPECT_FALSE(dropDown->isVisible());
    EXPECT_EQ(text("MainStrCmd"), "B");

    ASSERT_TRUE(shownWithFocus("FastOldCmd", "Str1"));
    find("AddStrCmd")->setFocus();
    EXPECT_TRUE(waitUntil([dropDown] { return !dropDown->isVisible(); }, 2000)) << "hides on leaving";
    form().close(); // a "B" sent from the drop-down would have come first
    EXPECT_EQ(fileBytes("OldCmd"), history({"A", "B"}));
}

TEST_F(HistoryWindow, TailPickerReplacesTheWholeTailAndAFreshHistoryStartsAtTheFirstRecord) {
    startConnected({"AT"});
    auto *picker = find<QListWidget>("LBTail");
    typeInto("AddStrCmd", "[CR]x");
    pressKey("AddStrCmd", Qt::Key_Down);
    ASSERT_TRUE(shownWithFocus("LBTail"));
    picker->setCurrentRow(4);
    pressKey("LBTail", Qt::Key_Return);
    EXPECT_EQ(text("AddStrCmd"), "[XOR_8 (1..n)]");
    EXPECT_FALSE(picker->isVisible());

    ASSERT_TRUE(shownWithFocus("LBTail", "Str2"));
    pressKey("LBTail", Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(text("AddStrCmd"), "[XOR_8 (1..n)]");
    form().close();
    EXPECT_EQ(fileBytes("OldCmd"), history({"AT"}));
}

// Another window saves to slow storage as this one closes: the commands are
// written once it is done, not dropped.
TEST_F(HistoryWindow, ClosingWhileAnotherSaveHoldsTheFolderStillWritesTheCommands) {
    startConnected({"A", "B"});
    HeldLock held(QStringLiteral("OldCmd"), 1000);
    ASSERT_TRUE(held.locked());
    form().close();
    EXPECT_EQ(fileBytes("OldCmd"), history({"B", "A"}));
}
