// The receive path through the real window: a pseudo-terminal device sends,
// the log window, the statistics panel and the packet-gap control answer.
#include "window/TerminalFixture.h"

#include "core/Cp1251.h"
#include "rx/WeekClock.h"
#include "ui/widgets/UpDown.h"
#include "ui/window/TForm1.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTime>
#include <QToolButton>

using namespace rx;

namespace {

const QString kStopMarker = QStringLiteral(">>>>>>>>>> STOP <<<<<<<<<<");
const QColor kYellow(255, 255, 0);

// Up clicks of TimeOutRx from 0 that give a packet gap of 1000 ms and 2000 ms
// (1..10 in ones, 15..100 in fives, 150..1000 in fifties, then 500s).
constexpr int kClicksTo1000 = 46;
constexpr int kClicksTo2000 = 48;

// The stamp of a received line, " [ hh:mm:ss:zzz < ] ".
const QRegularExpression kReceivedStamp(QStringLiteral(R"(^ \[ (\d\d:\d\d:\d\d:\d\d\d) < \] )"));

class Receive : public TerminalFixture {
protected:
    void startConnected() {
        start();
        connectPort();
    }

    void clickGapArrow(const char *arrow, int times = 1) {
        auto *spinner = find<ui::UpDown>(QStringLiteral("TimeOutRx"));
        ASSERT_NE(spinner, nullptr);
        auto *button = spinner->findChild<QToolButton *>(QLatin1String(arrow));
        ASSERT_NE(button, nullptr);
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(button, Qt::LeftButton);
    }

    // Each burst goes out whole; the next follows after `pauseMs`.
    void sendBursts(const QList<QByteArray> &bursts, int pauseMs) {
        for (const QByteArray &burst : bursts) {
            device().send(burst);
            processEventsFor(pauseMs);
        }
    }

    bool waitForLog(const QString &expected, int timeoutMs = 3000) {
        return waitUntil([&] { return logText() == expected; }, timeoutMs);
    }

    quint32 rxTotal() { return form().terminalState().RxTotal; }

    bool waitForRxTotal(quint32 total) {
        return waitUntil([&] { return rxTotal() == total; });
    }

    QColor gapReadoutColour() {
        auto *readout = find<QLabel>(QStringLiteral("TimeOutAns"));
        return readout->autoFillBackground() ? readout->palette().color(QPalette::Window)
                                             : form().palette().color(QPalette::Window);
    }

    // The number in a statistics label such as "MAX_T_W: 200".
    int labelNumber(const QString &name) { return text(name).section(' ', -1).toInt(); }
};

// ---------------------------------------------------------------- framing

TEST_F(Receive, AtGapZeroEachBurstIsOneLine) {
    startConnected();
    sendBursts({"ONE", "TWO", "THREE"}, 40);
    EXPECT_TRUE(waitForLog("ONE\nTWO\nTHREE")) << logText().toStdString();
}

TEST_F(Receive, LargeGapJoinsBurstsIntoOneLine) {
    startConnected();
    clickGapArrow("up", kClicksTo1000);
    ASSERT_EQ(text("TimeOutAns"), "TimeOutRX: 1000");

    sendBursts({"ONE", "TWO", "THREE"}, 40);
    // Well inside the gap nothing is shown yet.
    processEventsFor(300);
    EXPECT_EQ(logText(), "");
    EXPECT_TRUE(waitForLog("ONETWOTHREE")) << logText().toStdString();

    // The next burst after the gap starts a line of its own.
    device().send("FOUR");
    EXPECT_TRUE(waitForLog("ONETWOTHREE\nFOUR")) << logText().toStdString();
}

TEST_F(Receive, StepsOfTheWallClockDoNotMoveTheSilence) {
    qint64 stepMs = 0;
    setWallClockSource([&] { return QDateTime::currentDateTime().addMSecs(stepMs); });
    const auto restore = qScopeGuard([] { setWallClockSource({}); });
    startConnected();
    clickGapArrow("up", kClicksTo1000);

    // An hour forward between two bursts inside the gap: still one packet.
    device().send("A");
    ASSERT_TRUE(waitForRxTotal(1));
    stepMs += 3600 * 1000;
    device().send("B");
    EXPECT_TRUE(waitForLog("AB")) << logText().toStdString();

    // An hour back right after a burst: the packet still ends one gap after
    // it, and the next burst is a packet of its own.
    device().send("C");
    ASSERT_TRUE(waitForRxTotal(3));
    stepMs -= 3600 * 1000;
    waitForLog("AB\nC", 1800);
    device().send("D");
    EXPECT_TRUE(waitForLog("AB\nC\nD")) << logText().toStdString();
}

// The 1500-byte threshold cuts a stream that never pauses for the gap;
// HEX mode shows every byte, so the lines add up to the stream.
struct StreamCase {
    const char *name;
    int chunk;   // bytes per write of the device
    int pauseMs; // between writes; 0: as fast as the line takes them
};

void PrintTo(const StreamCase &c, std::ostream *out) { *out << c.name; }

class ReceiveStream : public Receive, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ReceiveStream, ContinuousStreamIsCutIntoLinesOf1501To2048Bytes) {
    startConnected();
    click("RBHEX");
    clickGapArrow("up", kClicksTo1000);

    QByteArray stream;
    for (int i = 0; i < 9000; ++i)
        stream.append(static_cast<char>((i * 7) % 256)); // every byte value, CR, LF and 0 included
    for (qsizetype at = 0; at < stream.size(); at += GetParam().chunk) {
        device().send(stream.mid(at, GetParam().chunk));
        if (GetParam().pauseMs > 0)
            processEventsFor(GetParam().pauseMs);
    }
    ASSERT_TRUE(waitForRxTotal(stream.size()));
    ASSERT_TRUE(waitUntil([&] { return form().terminalState().RxLen == 0; }));

    const QStringList lines = logText().split('\n');
    QByteArray shown;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray bytes = QByteArray::fromHex(lines[n].toLatin1());
        EXPECT_EQ(lines[n].size(), bytes.size() * 3 - 1) << "line " << n;
        if (n + 1 < lines.size()) { // the last line is what the gap ended
            EXPECT_GE(bytes.size(), 1501) << "line " << n;
            EXPECT_LE(bytes.size(), 2048) << "line " << n;
        }
        shown += bytes;
    }
    EXPECT_EQ(shown, stream);
}

INSTANTIATE_TEST_SUITE_P(Receive, ReceiveStream,
                         ::testing::Values(StreamCase{"PacedSmallWrites", 40, 2}, StreamCase{"Flood", 9000, 0}),
                         [](const auto &testInfo) { return std::string(testInfo.param.name); });

TEST_F(Receive, BytesBufferedWhenThePortClosesLeadTheNextPacket) {
    startConnected();
    clickGapArrow("up", kClicksTo2000);

    device().send("HEAD");
    ASSERT_TRUE(waitForRxTotal(4));
    click("BTConnect");
    ASSERT_EQ(text("BTConnect"), "Connect");
    connectPort();
    device().send("TAIL");
    EXPECT_TRUE(waitForLog("HEADTAIL", 5000)) << logText().toStdString();
}

// ---------------------------------------------------------------- presentation

struct LineCase {
    const char *name;
    bool hex;
    bool visTime;
    QByteArray packet;
    QString shown; // without the stamp
};

void PrintTo(const LineCase &c, std::ostream *out) { *out << c.name; }

class ReceiveLine : public Receive, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ReceiveLine, PacketIsShownAsOneLine) {
    const LineCase &c = GetParam();
    startConnected();
    if (c.hex)
        click("RBHEX");
    if (c.visTime)
        click("VisTime");
    ASSERT_EQ(find<QCheckBox>("VisTime")->isChecked(), c.visTime);

    const QTime before = QTime::currentTime();
    device().send(c.packet);
    ASSERT_TRUE(waitUntil([&] { return !logText().isEmpty(); })) << "nothing shown";
    processEventsFor(50); // nothing more comes
    const QTime after = QTime::currentTime();

    QString line = logText();
    if (c.visTime) {
        const QRegularExpressionMatch stamp = kReceivedStamp.match(line);
        ASSERT_TRUE(stamp.hasMatch()) << line.toStdString();
        const QTime at = QTime::fromString(stamp.captured(1), QStringLiteral("HH:mm:ss:zzz"));
        if (before <= after) { // not across midnight
            EXPECT_GE(at, before.addMSecs(-1));
            EXPECT_LE(at, after);
        }
        line.remove(0, stamp.capturedLength());
    }
    EXPECT_EQ(line, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Receive, ReceiveLine,
    ::testing::Values(LineCase{"AsciiLineEnd", false, false, "OK\r\n", "OK"},
                      LineCase{"AsciiLineEndStamped", false, true, "OK\r\n", "OK"},
                      LineCase{"AsciiInnerBreak", false, false, "A\rB\r", "A\nB"},
                      LineCase{"AsciiInnerBreakStamped", false, true, "A\rB\r", "A\nB"},
                      LineCase{"AsciiZeroByte", false, false, QByteArray("A\0B\r\n", 5), "A<NULL>B"},
                      LineCase{"AsciiTwoZeroBytes", false, false, QByteArray("A\0\0B\r\n", 6), "A<NULL><NULL>B"},
                      LineCase{"AsciiZeroByteLast", false, false, QByteArray("A\0", 2), "A<NULL>"},
                      LineCase{"AsciiWithoutLineEndKeepsEveryCharacter", false, false, "ABC", "ABC"},
                      LineCase{"AsciiBareLineFeedEnd", false, false, "AB\n", "AB"},
                      LineCase{"AsciiControlCharacters", false, false, "A\tB\x01\r\n", QStringLiteral("A\tB\x01")},
                      LineCase{"AsciiWindows1251", false, false, "\xCF\xF0\xE8\xE2\xE5\xF2\r\n",
                               QStringLiteral("Привет")},
                      LineCase{"HexLineEnd", true, false, "OK\r\n", "4F 4B 0D 0A"},
                      LineCase{"HexLineEndStamped", true, true, "OK\r\n", "4F 4B 0D 0A"},
                      LineCase{"HexLowBytes", true, false, QByteArray("\0\x01\x0D", 3), "00 01 0D"},
                      LineCase{"HexHighByte", true, false, "\xFF", "FF"}),
    [](const auto &testInfo) { return std::string(testInfo.param.name); });

TEST_F(Receive, LineFeedsAloneShowNothing) {
    startConnected();
    device().send("\n\n");
    ASSERT_TRUE(waitForRxTotal(2));
    processEventsFor(100);
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(form().terminalState().RxLen, 0u);

    device().send("OK\r\n");
    EXPECT_TRUE(waitForLog("OK"));
}

TEST_F(Receive, SwitchingToHexShowsLaterPacketsInHex) {
    startConnected();
    device().send("AB\r\n");
    ASSERT_TRUE(waitForLog("AB"));
    click("RBHEX");
    EXPECT_EQ(text("AddStrCmd"), "");
    device().send("AB\r\n");
    EXPECT_TRUE(waitForLog("AB\n41 42 0D 0A"));
    click("RBASCII");
    EXPECT_EQ(text("AddStrCmd"), "$0D");
    device().send("CD\r\n");
    EXPECT_TRUE(waitForLog("AB\n41 42 0D 0A\nCD"));
}

TEST_F(Receive, LogFollowsTheNewestLineUnlessScrolledBack) {
    startConnected();
    QScrollBar *bar = find<QAbstractScrollArea>("MainWindow")->verticalScrollBar();
    for (int n = 0; n < 60; ++n)
        device().send(QByteArray::number(n) + "\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().endsWith("\n59"); }));
    EXPECT_TRUE(waitUntil([&] { return bar->maximum() > 0 && bar->value() == bar->maximum(); }));

    // Someone reading older lines is not pulled away from them.
    bar->setValue(0);
    device().send("LATER\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().endsWith("\nLATER"); }));
    processEventsFor(100);
    EXPECT_EQ(bar->value(), 0);
}

// A flood far past the 5000-row limit between two frames: the view stays
// at the end through every clear, and lines after it keep showing.
TEST_F(Receive, FollowingTheEndSurvivesEveryClearOfAFlood) {
    startConnected();
    QScrollBar *bar = find<QAbstractScrollArea>("MainWindow")->verticalScrollBar();
    device().send("FIRST\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText() == "FIRST"; }));
    for (int flood = 0; flood < 2; ++flood) {
        QByteArray lines;
        for (int n = 0; n < 20000; ++n)
            lines += 'F' + QByteArray::number(flood) + 'L' + QByteArray::number(n) + "\r\n";
        device().send(lines);
        const QString last = QStringLiteral("F%1L19999").arg(flood);
        ASSERT_TRUE(waitUntil([&] { return logText().endsWith(last); }, 30000)) << flood;
        EXPECT_TRUE(waitUntil([&] { return bar->maximum() > 0 && bar->value() == bar->maximum(); })) << flood;
    }
    device().send("AFTER\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().endsWith("\nAFTER"); }));
    EXPECT_TRUE(waitUntil([&] { return bar->value() == bar->maximum(); }));
}

// Lines that come while the mouse selects do not scroll under the pointer;
// after the release the end is followed again.
TEST_F(Receive, TheViewHoldsStillWhileTheMouseSelects) {
    startConnected();
    auto *log = find<QAbstractScrollArea>("MainWindow");
    QScrollBar *bar = log->verticalScrollBar();
    for (int n = 0; n < 60; ++n)
        device().send(QByteArray::number(n) + "\r\n");
    ASSERT_TRUE(
        waitUntil([&] { return logText().endsWith("\n59") && bar->maximum() > 0 && bar->value() == bar->maximum(); }));
    const int held = bar->value();
    QWidget *field = log->viewport();
    const int row = log->fontMetrics().lineSpacing();
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(1, row / 2));
    for (int n = 60; n < 80; ++n)
        device().send(QByteArray::number(n) + "\r\n");
    ASSERT_TRUE(waitUntil([&] { return logText().endsWith("\n79"); }));
    processEventsFor(100); // a frame or more
    QTest::mouseMove(field, QPoint(field->width() / 2, 4 * row + row / 2));
    EXPECT_EQ(bar->value(), held);
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(field->width() / 2, 4 * row + row / 2));
    EXPECT_GT(bar->value(), held);
    EXPECT_EQ(bar->value(), bar->maximum());
    // The rows under the drag: five rows from the one it started on.
    QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(u'\n'), 4)
        << QGuiApplication::clipboard()->text().toStdString();
}

TEST_F(Receive, MouseSelectionCtrlCAndCtrlACopyTheLogsText) {
    startConnected();
    sendBursts({"ONE\r\n", "TWO\r\n", "THREE\r\n"}, 40);
    ASSERT_TRUE(waitForLog("ONE\nTWO\nTHREE"));
    auto *log = find<QAbstractScrollArea>("MainWindow");
    QWidget *field = log->viewport();
    const int row = log->fontMetrics().lineSpacing();
    // From the start of the first row to past the end of the second.
    QTest::mousePress(field, Qt::LeftButton, {}, QPoint(1, row / 2));
    QTest::mouseMove(field, QPoint(field->width() - 8, row + row / 2));
    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(field->width() - 8, row + row / 2));
    QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ONE\nTWO");

    QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ONE\nTWO\nTHREE");
}

// Copy and select-all, then whatever the window added to the log.
TEST_F(Receive, ContextMenuOffersCopyAndSelectAllThenTheLogsActions) {
    start();
    auto *log = find<QAbstractScrollArea>("MainWindow");
    QAction added(QStringLiteral("Added"));
    log->addAction(&added);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), log->viewport()->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(log->viewport(), &event);
    auto *menu = log->findChild<QMenu *>();
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (const QAction *action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text().section(u'\t', 0, 0));
    // In the words (and the translation) of a plain text view's menu.
    const QString copy = QCoreApplication::translate("QWidgetTextControl", "&Copy");
    const QString all = QCoreApplication::translate("QWidgetTextControl", "Select All");
    EXPECT_EQ(items.mid(0, 4), QStringList({copy, "-", all, "-"}));
    EXPECT_EQ(items.last(), "Added");
    menu->close();
}

// ---------------------------------------------------------------- filter, clear, pause

TEST_F(Receive, FilterShowsOnlyLinesContainingItsText) {
    startConnected();
    typeInto("FiltrLog", "OK");
    sendBursts({"OK\r\n", "ERROR\r\n", "NOK\r\n"}, 40);
    EXPECT_TRUE(waitForLog("OK\nNOK")) << logText().toStdString();

    // Case-sensitive, and windows-1251 text matches as shown.
    typeInto("FiltrLog", "Пр");
    sendBursts({"ok\r\n", "\xCF\xF0\xE8\xE2\xE5\xF2\r\n", "\xEF\xF0\xE8\r\n"}, 40);
    EXPECT_TRUE(waitForLog("OK\nNOK\nПривет")) << logText().toStdString();

    // An empty filter passes everything again.
    typeInto("FiltrLog", "");
    device().send("ERROR\r\n");
    EXPECT_TRUE(waitForLog("OK\nNOK\nПривет\nERROR")) << logText().toStdString();
}

TEST_F(Receive, FilterLooksAtTheTimeStampToo) {
    startConnected();
    click("VisTime");
    // Only received lines carry "<" in their stamp: the echo is kept out.
    typeInto("FiltrLog", "< ]");
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    ASSERT_EQ(device().receive(3), "AT\r");
    device().send("OK\r\n");
    ASSERT_TRUE(waitUntil([&] { return !logText().isEmpty(); }));
    processEventsFor(50);
    const QStringList lines = logText().split('\n');
    ASSERT_EQ(lines.size(), 1) << logText().toStdString();
    EXPECT_TRUE(kReceivedStamp.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("] OK")) << lines[0].toStdString();

    // And the other way round.
    typeInto("FiltrLog", "> ]");
    typeInto("MainStrCmd", "ATI");
    pressKey("MainStrCmd", Qt::Key_Return);
    ASSERT_EQ(device().receive(4), "ATI\r");
    device().send("OK\r\n");
    ASSERT_TRUE(waitForRxTotal(8));
    processEventsFor(100);
    const QStringList after = logText().split('\n');
    ASSERT_EQ(after.size(), 2) << logText().toStdString();
    EXPECT_TRUE(after[1].contains(" > ] ATI")) << after[1].toStdString();
}

TEST_F(Receive, ClearEmptiesTheLogAndLaterLinesFollow) {
    startConnected();
    sendBursts({"ONE\r\n", "TWO\r\n"}, 40);
    ASSERT_TRUE(waitForLog("ONE\nTWO"));
    click("BTLog");
    EXPECT_EQ(logText(), "");
    device().send("THREE\r\n");
    EXPECT_TRUE(waitForLog("THREE"));
}

TEST_F(Receive, PauseFreezesTheViewAndResumeShowsWhatCameMeanwhile) {
    startConnected();
    QWidget *main = find("MainWindow");
    auto *frozen = find<QPlainTextEdit>("SecondWindow");
    device().send("BEFORE\r\n");
    ASSERT_TRUE(waitForLog("BEFORE"));

    click("StartStop");
    EXPECT_EQ(text("StartStop"), ">");
    EXPECT_EQ(find("StartStop")->property("tag").toInt(), 1);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(frozen->isVisible());
    const QString frozenText = "BEFORE\n\n" + kStopMarker;
    EXPECT_EQ(frozen->toPlainText(), frozenText);

    sendBursts({"P1\r\n", "P2\r\n", "P3\r\n"}, 40);
    ASSERT_TRUE(waitForLog("BEFORE\nP1\nP2\nP3")) << logText().toStdString();
    EXPECT_EQ(frozen->toPlainText(), frozenText);

    click("StartStop");
    EXPECT_EQ(text("StartStop"), "||");
    EXPECT_EQ(find("StartStop")->property("tag").toInt(), 0);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(frozen->isVisible());
    EXPECT_EQ(logText(), "BEFORE\nP1\nP2\nP3");

    // A second pause freezes the view anew, with one marker.
    click("StartStop");
    EXPECT_EQ(frozen->toPlainText(), "BEFORE\nP1\nP2\nP3\n\n" + kStopMarker);
}

TEST_F(Receive, PausingAnEmptyLogShowsAnEmptyLineBeforeTheMarker) {
    start();
    click("StartStop");
    EXPECT_EQ(find<QPlainTextEdit>("SecondWindow")->toPlainText(), "\n" + kStopMarker);
}

// ---------------------------------------------------------------- statistics

TEST_F(Receive, StatisticsCountReadsAndTimeBetweenThem) {
    startConnected();
    device().send("a");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 1"; }));
    // One read alone measures nothing.
    EXPECT_EQ(text("MinTimeWait"), "MIN_T_W:  NA");
    EXPECT_EQ(text("MaxTimeWait"), "MAX_T_W: NA");

    processEventsFor(100);
    device().send("b");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 2"; }));
    const int first = labelNumber("MinTimeWait");
    EXPECT_GE(first, 99); // millisecond clock readings
    EXPECT_EQ(text("MinTimeWait"), QStringLiteral("MIN_T_W:  %1").arg(first));
    EXPECT_EQ(text("MaxTimeWait"), QStringLiteral("MAX_T_W: %1").arg(first));

    processEventsFor(first + 200);
    device().send("c");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 3"; }));
    EXPECT_EQ(labelNumber("MinTimeWait"), first);
    EXPECT_GE(labelNumber("MaxTimeWait"), first + 199);
}

TEST_F(Receive, ResetClearsCountersButMeasuresFromTheLastReadBeforeIt) {
    startConnected();
    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    ASSERT_EQ(device().receive(3), "AT\r");
    EXPECT_EQ(text("LSend"), "Send: 1");
    device().send("a");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 1"; }));
    processEventsFor(30);
    device().send("b");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 2"; }));
    ASSERT_NE(text("MaxTimeWait"), "MAX_T_W: NA");

    click("BTClrStat");
    EXPECT_EQ(text("MinTimeWait"), "MIN_T_W:  NA");
    EXPECT_EQ(text("MaxTimeWait"), "MAX_T_W: NA");
    EXPECT_EQ(text("LRead"), "Read: 0");
    EXPECT_EQ(text("LSend"), "Send: 0");
    EXPECT_EQ(text("StaticText3"), "TX: 3 RX: 2"); // the byte totals stay

    processEventsFor(200);
    device().send("c");
    ASSERT_TRUE(waitUntil([&] { return text("LRead") == "Read: 1"; }));
    const int wait = labelNumber("MaxTimeWait");
    EXPECT_GE(wait, 199);
    EXPECT_LE(wait, 260) << "slack for the event loop only";
    EXPECT_EQ(text("MinTimeWait"), QStringLiteral("MIN_T_W:  %1").arg(wait));
    EXPECT_EQ(text("MaxTimeWait"), QStringLiteral("MAX_T_W: %1").arg(wait));
}

TEST_F(Receive, ByteTotalsCountReceivedBytes) {
    startConnected();
    EXPECT_EQ(text("StaticText3"), "TX: 0, RX: 0");
    device().send("HELLO");
    ASSERT_TRUE(waitForRxTotal(5));
    EXPECT_EQ(text("StaticText3"), "TX: 0 RX: 5");

    typeInto("MainStrCmd", "AT");
    pressKey("MainStrCmd", Qt::Key_Return);
    ASSERT_EQ(device().receive(3), "AT\r");
    device().send(QByteArray("\0\r\nXYZ\xFF", 7));
    ASSERT_TRUE(waitForRxTotal(12));
    EXPECT_EQ(text("StaticText3"), "TX: 3 RX: 12");
}

// ---------------------------------------------------------------- packet gap control

TEST_F(Receive, GapSpinnerStepsWithTheValueAndMarksItYellow) {
    start();
    const QColor face = form().palette().color(QPalette::Window);

    clickGapArrow("down");
    EXPECT_EQ(text("TimeOutAns"), "TimeOutRX: 0");
    EXPECT_EQ(form().terminalState().PacketGap, 0);
    EXPECT_EQ(gapReadoutColour(), face);

    // Clicks from 0 and the value each reaches.
    const QList<std::pair<int, int>> upwards = {{1, 1},     {9, 10},      {1, 15},    {17, 100},
                                                {1, 150},   {17, 1000},   {1, 1500},  {17, 10000},
                                                {1, 15000}, {17, 100000}, {1, 100000}};
    for (const auto &[clicks, value] : upwards) {
        clickGapArrow("up", clicks);
        EXPECT_EQ(text("TimeOutAns"), QStringLiteral("TimeOutRX: %1").arg(value));
        EXPECT_EQ(form().terminalState().PacketGap, value);
        EXPECT_EQ(gapReadoutColour(), kYellow) << value;
    }

    const QList<std::pair<int, int>> downwards = {{1, 50000}, {1, 45000}, {7, 10000}, {1, 5000}, {1, 4500}, {8, 500},
                                                  {1, 450},   {8, 50},    {1, 45},    {8, 5},    {4, 1}};
    for (const auto &[clicks, value] : downwards) {
        clickGapArrow("down", clicks);
        EXPECT_EQ(text("TimeOutAns"), QStringLiteral("TimeOutRX: %1").arg(value));
        EXPECT_EQ(gapReadoutColour(), kYellow) << value;
    }
    clickGapArrow("down");
    EXPECT_EQ(text("TimeOutAns"), "TimeOutRX: 0");
    EXPECT_EQ(gapReadoutColour(), face);

    // The spinner's own position is far above its floor: further down
    // clicks are reported and leave 0 as it is.
    clickGapArrow("down", 3);
    EXPECT_EQ(text("TimeOutAns"), "TimeOutRX: 0");
    EXPECT_EQ(gapReadoutColour(), face);
    clickGapArrow("up");
    EXPECT_EQ(text("TimeOutAns"), "TimeOutRX: 1");
}

} // namespace
