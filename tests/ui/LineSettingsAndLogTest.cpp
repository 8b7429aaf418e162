// Habits and odd input the window must take without losing anything: mode
// clicks, long pastes, pasted line breaks, filters outside the code page, long
// wrapped lines and the short line-setting lists.
#include "window/TerminalFixture.h"

#include "macros/MacroStore.h"
#include "ui/window/TForm1.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTest>

using Habits = TerminalFixture;

TEST_F(Habits, ClickingTheChosenDataModeKeepsTheTail) {
    start();
    for (const char *mode : {"RBASCII", "RBHEX"}) {
        click(mode); // a change of mode sets the tail; the same mode again keeps it
        typeInto("AddStrCmd", "*[XOR_8 (1..n)]$0D$0A");
        click(mode);
        EXPECT_EQ(text("AddStrCmd"), "*[XOR_8 (1..n)]$0D$0A") << mode;
    }
}

TEST_F(Habits, PastedTextIsKeptWhole) {
    start();
    const QString pasted(40000, 'x');
    for (const char *field : {"MainStrCmd", "AddStrCmd"}) {
        find<QLineEdit>(field)->setText(pasted);
        EXPECT_EQ(text(field).size(), pasted.size()) << field;
    }
}

TEST_F(Habits, FilterOutsideTheCodePageMatchesNoQuestionMark) {
    start();
    connectPort();
    typeInto("FiltrLog", "α");
    device().send("a?b\r\n");
    processEventsFor(300);
    EXPECT_EQ(logText(), "");
}

TEST_F(Habits, LongWrappedLinesEmptyTheLogWhilePausedToo) {
    start();
    connectPort();
    click("RBHEX");
    click("StartStop");
    // Lines of 1501 to 2048 bytes in hexadecimal wrap into dozens of rows
    // each: far beyond 5000 rows, in fewer than 200 lines.
    const QByteArray stream(300000, 'A');
    device().send(stream);
    ASSERT_TRUE(waitUntil(
        [&] { return form().terminalState().RxTotal == stream.size() && form().terminalState().RxLen == 0; }, 20000));
    processEventsFor(100);
    EXPECT_LT(logText().size(), stream.size() * 3 / 2);
}

TEST_F(Habits, ShortListsShowTheirValuesWholeAndReadablyWhileConnected) {
    start();
    for (const char *name : {"ComPort", "BaudRate", "ComBits", "ComStopBits"}) {
        auto *list = find<QComboBox>(name);
        QStyleOptionComboBox option;
        option.initFrom(list);
        const QRect field =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        EXPECT_EQ(list->width(), 61);
        for (const char *value : {"ttyUSB0", "115200"})
            EXPECT_LE(list->fontMetrics().horizontalAdvance(value), field.width() - 2) << name << " " << value;
    }
    connectPort();
    for (const char *name : {"ComPort", "BaudRate", "ComBits", "ComStopBits"})
        EXPECT_LT(find(name)->palette().color(QPalette::Disabled, QPalette::ButtonText).lightness(), 96) << name;
}

TEST_F(Habits, LineBreaksPastedIntoOneLineFieldsBecomeBlanks) {
    start();
    click("EditAllCmd");
    QGuiApplication::clipboard()->setText("AT\r\nZ\nY\r\n");
    for (const char *field : {"MainStrCmd", "AddStrCmd", "Edit1", "ListNameEDT"}) {
        auto *edit = find<QLineEdit>(field);
        edit->clear();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "AT Z Y") << field;
    }
    EXPECT_EQ(form().macroStore().name(1, 1), "AT Z Y");
}
