// The log's lines wrapped into rows: the same wrap points as a plain text
// view's document at every width, rows counted and limited, places to text.
#include "ui/widgets/WrappedLines.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

const QFont kLogFont(QStringLiteral("Liberation Sans"), 8);

// Where each row of a line starts, as a plain text view of that viewport
// width lays it out.
QList<int> plainViewRowStarts(const QString &line, int viewportWidth, const QFont &font) {
    QPlainTextEdit view;
    view.setFrameStyle(QFrame::NoFrame);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setFont(font);
    view.setPlainText(line);
    view.resize(viewportWidth, 100);
    view.show(); // lays the document out at the viewport's width
    const QTextBlock block = view.document()->begin();
    view.document()->documentLayout()->blockBoundingRect(block);
    QList<int> starts;
    for (int row = 0; row < block.layout()->lineCount(); ++row)
        starts << block.layout()->lineAt(row).textStart();
    return starts;
}

QList<int> rowStarts(const ui::WrappedLines &lines, qint64 line) {
    const std::unique_ptr<QTextLayout> layout = lines.layout(line);
    QList<int> starts;
    for (int row = 0; row < layout->lineCount(); ++row)
        starts << layout->lineAt(row).textStart();
    return starts;
}

struct WrapCase {
    const char *name;
    QString line;
};

const QString kHex = QStringLiteral("4F 4B 0D ").repeated(683).chopped(1); // a 2048-byte packet
const WrapCase kWrapCases[] = {
    {"Short", QStringLiteral("OK")},
    {"Empty", QString()},
    {"Words", QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(12)},
    {"LongerThanTheViewWithoutBlanks", QString(700, u'A')},
    {"Hex", kHex},
    {"Nulls", QStringLiteral("A<NULL><NULL>B").repeated(40)},
    {"Cyrillic", QStringLiteral("Привет, мир! Ответ устройства ").repeated(15)},
    {"Tabs", QStringLiteral("A\tB C\tD ").repeated(30)},
    {"Controls", QStringLiteral("A\x01 C\x02 ").repeated(30)},
    {"Stamped", QStringLiteral(" [ 14:03:07:512 < ] ") + QString(76, u'x')},
};

TEST(WrappedLines, WrapsAsAPlainTextViewAtEveryWidth) {
    for (const int viewportWidth : {60, 200, 521, 933}) {
        for (const QFont &font : {kLogFont, QFont(QStringLiteral("Liberation Sans"), 14)}) {
            ui::WrappedLines lines;
            lines.setFont(font);
            lines.setTextWidth(viewportWidth - 8);
            qint64 expectedRows = 0;
            for (const WrapCase &c : kWrapCases) {
                lines.append(c.line);
                const QList<int> expected = plainViewRowStarts(c.line, viewportWidth, font);
                const qint64 line = lines.endLine() - 1;
                EXPECT_EQ(rowStarts(lines, line), expected) << c.name << " at " << viewportWidth;
                EXPECT_EQ(lines.rowsBefore(line + 1) - lines.rowsBefore(line), expected.size())
                    << c.name << " at " << viewportWidth;
                expectedRows += expected.size();
            }
            EXPECT_EQ(lines.rowCount(), expectedRows) << viewportWidth;
        }
    }
}

TEST(WrappedLines, LineFeedsStartLinesAndRowsMapToThem) {
    ui::WrappedLines lines;
    lines.setFont(kLogFont);
    lines.setTextWidth(200);
    lines.append(QStringLiteral("A\nB"));
    lines.append(QString(300, u'C')); // several rows
    lines.append(QStringLiteral("D"));
    ASSERT_EQ(lines.endLine(), 4);
    const qint64 cRows = lines.rowsBefore(3) - lines.rowsBefore(2);
    ASSERT_GT(cRows, 2);
    EXPECT_EQ(lines.rowCount(), 3 + cRows);
    const QList<std::pair<qint64, ui::WrappedLines::Row>> table = {{0, {0, 0}}, {1, {1, 0}},         {2, {2, 0}},
                                                                   {3, {2, 1}}, {2 + cRows, {3, 0}}, {99, {3, 0}}};
    for (const auto &[row, expected] : table) {
        const ui::WrappedLines::Row at = lines.rowAt(row);
        EXPECT_EQ(at.line, expected.line) << row;
        EXPECT_EQ(at.row, expected.row) << row;
    }
    EXPECT_EQ(lines.toPlainText(), QStringLiteral("A\nB\n") + QString(300, u'C') + QStringLiteral("\nD"));
}

// Past the limit only the rows after it stay; a line that reaches past it
// stays whole.
TEST(WrappedLines, PastTheLimitOnlyTheRowsAfterItStay) {
    struct Case {
        const char *name;
        int oneRowLines; // first
        QString last;    // then this line
        qint64 keptRows; // -1: nothing dropped
        qint64 keptLines;
    };
    const QString severalRows = QStringList(3, QString(150, u'W')).join(u' ');
    const Case cases[] = {
        {"AtTheLimit", 4999, QStringLiteral("last"), -1, 5000},
        {"OneRowPast", 5000, QStringLiteral("last"), 1, 1},
        {"AFramesWorthPast", 5000, QStringLiteral("a\nb\nc"), 3, 3},
        {"LineAcrossTheLimit", 4999, severalRows, -2, 1},
    };
    for (const Case &c : cases) {
        ui::WrappedLines lines;
        lines.setFont(kLogFont);
        lines.setTextWidth(300);
        for (int n = 0; n < c.oneRowLines; ++n)
            lines.append(QString::number(n));
        lines.append(c.last);
        const qint64 lastRows = lines.rowsBefore(lines.endLine()) - lines.rowsBefore(lines.endLine() - 1);
        const qint64 kept = lines.limitRows(5000);
        EXPECT_EQ(kept, c.keptRows == -2 ? lastRows : c.keptRows) << c.name;
        EXPECT_EQ(lines.endLine() - lines.firstLine(), c.keptLines) << c.name;
        EXPECT_TRUE(lines.toPlainText().endsWith(c.last)) << c.name;
        EXPECT_LE(lines.rowCount(), 5000) << c.name;
    }
}

TEST(WrappedLines, SelectionGivesTheTextBetweenTwoPlaces) {
    ui::WrappedLines lines;
    lines.append(QStringLiteral("first"));
    lines.append(QStringLiteral("Привет\n<NULL>"));
    lines.append(QStringLiteral("last"));
    using P = ui::WrappedLines::Place;
    const QList<std::tuple<P, P, QString>> table = {
        {{0, 1}, {0, 3}, QStringLiteral("ir")},
        {{0, 3}, {3, 2}, QStringLiteral("st\nПривет\n<NULL>\nla")},
        {{3, 2}, {0, 3}, QStringLiteral("st\nПривет\n<NULL>\nla")}, // dragged upwards
        {{1, 6}, {3, 0}, QStringLiteral("\n<NULL>\n")},             // line ends
        {{1, 2}, {1, 2}, QString()},
        {{3, 0}, {3, 99}, QStringLiteral("last")},
    };
    for (const auto &[from, to, expected] : table)
        EXPECT_EQ(lines.textBetween(from, to), expected) << expected.toStdString();

    // Lines dropped from the front take their part of a selection with them.
    lines.setTextWidth(300);
    lines.limitRows(2);
    EXPECT_EQ(lines.textBetween({0, 3}, {3, 2}), QStringLiteral("<NULL>\nla"));
}

} // namespace
