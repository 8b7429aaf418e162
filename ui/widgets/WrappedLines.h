#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>
#include <deque>
#include <memory>
#include <optional>

class QTextLayout;

namespace ui {

// The log's lines as shown: each line (a part between line breaks) with the
// rows it takes when wrapped at the text width, wrapped as a plain text view
// wraps them (at word boundaries, or anywhere in a word longer than a row).
// Lines come in at the end and leave only from the front; each keeps a serial
// number for its whole life, so a place in the text outlives the lines
// before it going. New lines are measured when the rows are first asked for,
// so a stream of lines is measured once per frame, not once per line.
class WrappedLines {
public:
    // A place between two characters: the line's serial and the column.
    struct Place {
        qint64 line = 0;
        int column = 0;
        auto operator<=>(const Place &) const = default;
    };
    // A row: the line's serial and the row within the line.
    struct Row {
        qint64 line = 0;
        int row = 0;
    };

    WrappedLines();
    ~WrappedLines();

    // Between the rows and the field's left and right edges.
    static constexpr int kMargin = 4;

    // A change of either measures every line anew.
    void setFont(const QFont &font);
    void setTextWidth(qreal width);
    // The height of a row of plain text in the font, as laid out.
    qreal rowHeight() const { return m_rowHeight; }

    // Appends a log line; line feeds in it start new lines.
    void append(const QString &text);
    void clear();

    qint64 firstLine() const { return m_first; }
    qint64 endLine() const { return m_first + qint64(m_lines.size()); }
    bool isEmpty() const { return m_lines.empty(); }
    const QString &text(qint64 line) const { return m_lines[size_t(line - m_first)]; }

    qint64 rowCount();
    // The rows before a line, and the line and row at a row number.
    qint64 rowsBefore(qint64 line);
    Row rowAt(qint64 row);

    // Past `maxRows` rows, drops every line that lies wholly within the
    // first `maxRows` rows, so that only what came after them is kept.
    // Returns the rows kept, or -1 when there were not too many.
    qint64 limitRows(qint64 maxRows);

    // The top row of a view `visible` rows high after lines came or went:
    // a view that followed the end shows the end again; any other keeps its
    // top line and row in place, or shows the first row when that line left.
    qint64 topRowAfterChange(Row top, bool followed, qint64 visible);

    // The text between two places, lines joined by line feeds.
    QString textBetween(Place from, Place to) const;
    QString toPlainText() const;

    // The line laid out as it is shown: rows at the text width, each row's
    // top below the last, the first at 0, their left at 0 (drawn at the
    // margin).
    std::unique_ptr<QTextLayout> layout(qint64 line) const;

private:
    void measure();
    int rowsOf(const QString &text);
    bool plainlyFits(const QString &text);
    void layOut(QTextLayout &layout) const;
    void forgetMeasures();

    QFont m_font;
    qreal m_width = 0;
    qreal m_rowHeight = 0;
    std::deque<QString> m_lines;
    // Rows before each line, from the first, for the lines measured so far
    // (the first ones).
    std::deque<qint64> m_rowsBefore;
    qint64 m_rows = 0; // rows of the measured lines
    qint64 m_first = 0;
    // Advances of the characters of the Latin and Cyrillic ranges in the
    // font, taken as they are first met (0: not yet known).
    std::optional<QFontMetricsF> m_metrics;
    std::array<qreal, 0x500> m_advances{};
};

} // namespace ui
