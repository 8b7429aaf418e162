// The log's lines wrapped into rows: the same wrap points as a plain text
// view's document at every width, rows counted and limited, places to text.
#include "ui/widgets/WrappedLines.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
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
                const qint64 line = lines.endLine() - 1;
                if (QByteArrayView(c.name) == "Tabs") {
                    // A plain text view's line breaker counts tab stops from
                    // the field's edge but draws them from the row's left, so
                    // it wraps rows with tabs off their drawn width; ours wrap
                    // where the drawn glyphs reach the width.
                    const std::unique_ptr<QTextLayout> layout = lines.layout(line);
                    for (int row = 0; row < layout->lineCount(); ++row) {
                        const QTextLine shown = layout->lineAt(row);
                        EXPECT_LE(shown.cursorToX(shown.textStart() + shown.textLength()), viewportWidth - 8)
                            << c.name << " at " << viewportWidth;
                    }
                    EXPECT_EQ(lines.rowsBefore(line + 1) - lines.rowsBefore(line), layout->lineCount());
                    expectedRows += layout->lineCount();
                    continue;
                }
                const QList<int> expected = plainViewRowStarts(c.line, viewportWidth, font);
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

// A flood between two frames may drop the very rows the view showed: a view
// that followed the end shows the end again, whatever was dropped.
TEST(WrappedLines, AViewThatFollowedTheEndShowsItAfterEveryLimit) {
    struct Case {
        const char *name;
        int before;  // one-row lines before the view's top was taken
        int topLine; // the view's top line then (-1: the end)
        int flood;   // lines that came after, before the limit
        bool followed;
        qint64 expected; // the top row after the limit (-1: the end)
    };
    constexpr int kVisible = 30;
    const Case cases[] = {
        {"FollowedTopDropped", 100, -1, 20000, true, -1},  {"FollowedTopKept", 5040, -1, 5, true, -1},
        {"FollowedNothingDropped", 100, -1, 50, true, -1}, {"ReadingTopKept", 5100, 5050, 0, false, 50},
        {"ReadingTopDropped", 100, 10, 20000, false, 0},   {"ReadingNothingDropped", 100, 10, 50, false, 10},
    };
    for (const Case &c : cases) {
        ui::WrappedLines lines;
        lines.setFont(kLogFont);
        lines.setTextWidth(300);
        for (int n = 0; n < c.before; ++n)
            lines.append(QString::number(n));
        const qint64 topRow = c.topLine < 0 ? lines.rowCount() - kVisible : c.topLine;
        const ui::WrappedLines::Row top = lines.rowAt(topRow);
        for (int n = 0; n < c.flood; ++n)
            lines.append(QStringLiteral("flood ") + QString::number(n));
        lines.limitRows(5000);
        const qint64 shown = lines.topRowAfterChange(top, c.followed, kVisible);
        if (c.expected < 0) {
            EXPECT_EQ(lines.rowAt(shown + kVisible - 1).line, lines.endLine() - 1) << c.name;
            EXPECT_EQ(shown + kVisible, lines.rowCount()) << c.name;
        } else {
            EXPECT_EQ(shown, c.expected) << c.name;
        }
    }
}

// The highlight of a selection: where selection is drawn over a laid-out
// line, as runs of highlighted columns of pixels.
QList<std::pair<int, int>> highlightRuns(const QTextLayout &layout, int start, int end) {
    QImage image(2000, int(layout.boundingRect().height()) + 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QTextCharFormat selected;
    selected.setBackground(QColor(0, 0, 255));
    selected.setForeground(Qt::white);
    layout.draw(&painter, QPointF(ui::WrappedLines::kMargin, 0), {{start, end - start, selected}});
    painter.end();
    QList<std::pair<int, int>> runs;
    const int y = image.height() / 2;
    for (int x = 0; x < image.width(); ++x) {
        const bool blue = image.pixel(x, y) == qRgb(0, 0, 255) || image.pixel(x, 1) == qRgb(0, 0, 255);
        if (blue && (runs.isEmpty() || runs.last().second != x))
            runs.append({x, x + 1});
        else if (blue)
            runs.last().second = x + 1;
    }
    return runs;
}

// Tabs that fall just before or just past a stop: the selection's highlight
// is one run from the first selected glyph's left to the last one's right,
// with the same tab stops as the text is drawn with; past the line's end the
// line break is highlighted right after its last glyph.
TEST(WrappedLines, SelectionOnRowsWithTabsHighlightsExactlyTheSelectedGlyphs) {
    QStringList texts = {QStringLiteral("L139861 99335\t41796\t33898\t75170 *771381D9"),
                         QStringLiteral("L2 99335\t41796\t33898\t75170 *771381D9"), QStringLiteral("x\ty\tz")};
    // Prefixes that grow by a narrow glyph at a time, so that some tab falls
    // within a pixel or two on either side of a stop.
    for (int n = 8; n <= 30; ++n)
        texts << QString(n, u'i') + QStringLiteral("\tA\t") + QString(n, u'1') + QStringLiteral("\tz");
    const QFont font(QStringLiteral("Liberation Sans"), 8);
    for (const QString &text : texts) {
        ui::WrappedLines lines;
        lines.setFont(font);
        lines.setTextWidth(1500);
        lines.append(text);
        const std::unique_ptr<QTextLayout> layout = lines.layout(0);
        ASSERT_EQ(layout->lineCount(), 1) << text.toStdString();
        const QTextLine row = layout->lineAt(0);
        const auto left = [&](int column) { return ui::WrappedLines::kMargin + row.cursorToX(column); };
        const int size = int(text.size());
        const int firstTab = int(text.indexOf(u'\t'));
        const int lastTab = int(text.lastIndexOf(u'\t'));
        // The row is as wide as its glyphs are drawn.
        EXPECT_NEAR(row.naturalTextWidth(), row.cursorToX(size), 0.01) << text.toStdString();
        const QList<std::pair<int, int>> selections = {
            {0, size},    {0, size + 1},       {firstTab, firstTab + 1}, {firstTab + 1, lastTab},
            {1, lastTab}, {lastTab, size + 1}, {lastTab + 1, size},      {firstTab - 1, firstTab + 2}};
        for (const auto &[start, end] : selections) {
            const QList<std::pair<int, int>> runs = highlightRuns(*layout, start, end);
            ASSERT_EQ(runs.size(), 1) << text.toStdString() << " " << start << ".." << end;
            EXPECT_NEAR(runs[0].first, left(start), 1.0) << text.toStdString() << " " << start << ".." << end;
            if (end <= size)
                EXPECT_NEAR(runs[0].second, left(end), 1.0) << text.toStdString() << " " << start << ".." << end;
            else // the line break: a space's width after the last glyph
                EXPECT_LT(runs[0].second, left(size) + 12) << text.toStdString() << " " << start << ".." << end;
        }
    }
}

} // namespace
