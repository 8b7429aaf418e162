#include "ui/widgets/WrappedLines.h"

#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <limits>

namespace ui {

namespace {

// A line whose characters, laid side by side, take less than this share of
// the row fits in one row whatever kerning does to it.
constexpr qreal kPlainFitShare = 0.9;
// Rows of a view that does not wrap.
constexpr qreal kNoWrapWidth = std::numeric_limits<int>::max() / 2;

// As a plain text view wraps: at word boundaries, or anywhere in a word
// longer than a row; tabs at its default stops.
QTextOption wrapOption() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

bool hasOwnAdvance(char16_t c) { return c >= 0x20 && c < 0x500 && !(c >= 0x7F && c < 0xA0); }

} // namespace

WrappedLines::WrappedLines() = default;
WrappedLines::~WrappedLines() = default;

void WrappedLines::setFont(const QFont &font) {
    if (m_metrics && font == m_font)
        return;
    m_font = font;
    m_metrics.emplace(font);
    m_advances.fill(0);
    forgetMeasures();
    QTextLayout probe(QStringLiteral("X"), font);
    layOut(probe);
    m_rowHeight = probe.lineAt(0).height();
}

void WrappedLines::setTextWidth(qreal width) {
    if (width == m_width)
        return;
    m_width = width;
    forgetMeasures();
}

void WrappedLines::forgetMeasures() {
    m_rowsBefore.clear();
    m_rows = 0;
}

void WrappedLines::append(const QString &text) {
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', from)) {
        m_lines.push_back(text.mid(from, at - from));
        from = at + 1;
    }
    m_lines.push_back(from == 0 ? text : text.mid(from));
}

void WrappedLines::clear() {
    m_first = endLine();
    m_lines.clear();
    forgetMeasures();
}

// Laying a line out costs as much as showing it. Most log lines are far
// shorter than a row, which the sum of their characters' advances tells at a
// fraction of the cost; only the others are laid out.
bool WrappedLines::plainlyFits(const QString &text) {
    if (!m_metrics)
        m_metrics.emplace(m_font);
    const qreal limit = (m_width > 0 ? m_width : kNoWrapWidth) * kPlainFitShare;
    qreal sum = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (!hasOwnAdvance(code))
            return false;
        qreal &advance = m_advances[code];
        if (advance == 0)
            advance = m_metrics->horizontalAdvance(c);
        sum += advance;
        if (sum > limit)
            return false;
    }
    return true;
}

// Any text into rows as layout() lays a line out; rows are counted, and the
// row height taken, the same way.
void WrappedLines::layOut(QTextLayout &layout) const {
    layout.setTextOption(wrapOption());
    layout.beginLayout();
    qreal top = 0;
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLeadingIncluded(true);
        // At the left edge: the line breaker counts tab stops from the row's
        // x but drawing, cursor places and the selection from its left, so a
        // row placed at the margin would be measured 80 px wider than drawn
        // when a tab falls just past a stop. The view shifts rows instead.
        row.setPosition(QPointF(0, top));
        row.setLineWidth(m_width > 0 ? m_width : kNoWrapWidth);
        top += row.height();
    }
    layout.endLayout();
}

std::unique_ptr<QTextLayout> WrappedLines::layout(qint64 line) const {
    auto laidOut = std::make_unique<QTextLayout>(text(line), m_font);
    laidOut->setCacheEnabled(true);
    layOut(*laidOut);
    return laidOut;
}

int WrappedLines::rowsOf(const QString &text) {
    if (text.isEmpty() || plainlyFits(text))
        return 1;
    QTextLayout laidOut(text, m_font);
    layOut(laidOut);
    return std::max(laidOut.lineCount(), 1);
}

void WrappedLines::measure() {
    while (m_rowsBefore.size() < m_lines.size()) {
        m_rowsBefore.push_back(m_rows);
        m_rows += rowsOf(m_lines[m_rowsBefore.size() - 1]);
    }
}

qint64 WrappedLines::rowCount() {
    measure();
    return m_rows;
}

qint64 WrappedLines::rowsBefore(qint64 line) {
    measure();
    const auto at = size_t(std::clamp<qint64>(line - m_first, 0, qint64(m_lines.size())));
    return at < m_rowsBefore.size() ? m_rowsBefore[at] : m_rows;
}

WrappedLines::Row WrappedLines::rowAt(qint64 row) {
    measure();
    if (m_lines.empty())
        return {m_first, 0};
    row = std::clamp<qint64>(row, 0, m_rows - 1);
    const auto after = std::upper_bound(m_rowsBefore.begin(), m_rowsBefore.end(), row);
    const auto index = qint64(after - m_rowsBefore.begin()) - 1;
    return {m_first + index, int(row - m_rowsBefore[size_t(index)])};
}

qint64 WrappedLines::limitRows(qint64 maxRows) {
    if (rowCount() <= maxRows)
        return -1;
    // A line lies within them when the next one starts there; the last one
    // reaches past them.
    size_t dropped = 0;
    while (dropped + 1 < m_lines.size() && m_rowsBefore[dropped + 1] <= maxRows)
        ++dropped;
    const qint64 droppedRows = dropped < m_lines.size() ? m_rowsBefore[dropped] : m_rows;
    m_lines.erase(m_lines.begin(), m_lines.begin() + qsizetype(dropped));
    m_rowsBefore.erase(m_rowsBefore.begin(), m_rowsBefore.begin() + qsizetype(dropped));
    for (qint64 &before : m_rowsBefore)
        before -= droppedRows;
    m_rows -= droppedRows;
    m_first += qint64(dropped);
    return m_rows;
}

qint64 WrappedLines::topRowAfterChange(Row top, bool followed, qint64 visible) {
    const qint64 last = std::max<qint64>(0, rowCount() - visible);
    if (followed)
        return last;
    if (top.line < m_first)
        return 0;
    return std::min(last, rowsBefore(top.line) + top.row);
}

QString WrappedLines::textBetween(Place from, Place to) const {
    if (to < from)
        std::swap(from, to);
    from = std::max(from, Place{m_first, 0});
    QString joined;
    for (qint64 line = from.line; line <= to.line && line < endLine(); ++line) {
        const QString &whole = text(line);
        const int start = line == from.line ? std::min(from.column, int(whole.size())) : 0;
        const int end = line == to.line ? std::min(to.column, int(whole.size())) : int(whole.size());
        if (line != from.line)
            joined += u'\n';
        joined += QStringView(whole).mid(start, std::max(end - start, 0));
    }
    return joined;
}

QString WrappedLines::toPlainText() const {
    if (m_lines.empty())
        return {};
    return textBetween({m_first, 0}, {endLine() - 1, int(m_lines.back().size())});
}

} // namespace ui
