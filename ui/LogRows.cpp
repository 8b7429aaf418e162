#include "ui/LogRows.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <limits>

namespace {

// A line whose characters, laid side by side, take less than this share of
// the row fits in one row whatever kerning does to it.
constexpr qreal kPlainFitShare = 0.9;

bool hasOwnAdvance(char16_t c) { return c >= 0x20 && c < 0x500 && !(c >= 0x7F && c < 0xA0); }

} // namespace

// Laying a line out costs as much as showing it. Most log lines are far
// shorter than a row, which the sum of their characters' advances tells at a
// fraction of the cost; only the others are laid out.
bool LogRowCounter::plainlyFits(const QString &text, qreal width) {
    const qreal limit = width * kPlainFitShare;
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

int LogRowCounter::rowsOf(const QTextBlock &block, qreal width, const QTextDocument &document) {
    if (block.length() <= 1)
        return 1;
    // The view's own layout, when it has one at this width, already knows.
    const QTextLayout *own = block.layout();
    if (own && own->lineCount() > 0 && qFuzzyCompare(own->lineAt(0).width(), width))
        return own->lineCount();
    const QString text = block.text();
    if (plainlyFits(text, width))
        return 1;
    QTextLayout layout(text, document.defaultFont());
    layout.setTextOption(document.defaultTextOption());
    layout.beginLayout();
    int rows = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++rows;
    }
    layout.endLayout();
    return std::max(rows, 1);
}

LogRowCounter::~LogRowCounter() { QObject::disconnect(m_removals); }

// A new document, a removal or a new width: everything is measured anew.
void LogRowCounter::follow(const QTextDocument &document, int width) {
    if (m_document != &document) {
        QObject::disconnect(m_removals);
        m_document = &document;
        m_removals = QObject::connect(&document, &QTextDocument::contentsChange, &document,
                                      [this](int, int removed, int) { m_stale = m_stale || removed > 0; });
        m_stale = true;
    }
    if (m_stale || width != m_width || document.blockCount() < m_blocks) {
        m_stale = false;
        m_width = width;
        m_blocks = 0;
        m_rowsBefore = 0;
    }
}

int LogRowCounter::rows(const QPlainTextEdit &log) {
    const QTextDocument &document = *log.document();
    const int width = log.lineWrapMode() == QPlainTextEdit::NoWrap ? std::numeric_limits<int>::max() / 2
                                                                    : log.viewport()->width();
    follow(document, width);
    const qreal lineWidth = std::max(1.0, width - 2 * document.documentMargin());
    if (const QFont font = document.defaultFont(); !m_metrics || font != m_font) {
        m_font = font;
        m_metrics.emplace(font);
        m_advances.fill(0);
    }
    // The last block measured may have grown since; it is measured again.
    QTextBlock block = m_blocks > 0 ? document.findBlockByNumber(m_blocks - 1) : document.begin();
    int rows = m_rowsBefore;
    int lastRows = 0;
    for (; block.isValid(); block = block.next()) {
        rows += lastRows;
        lastRows = rowsOf(block, lineWidth, document);
        m_blocks = block.blockNumber() + 1;
    }
    m_rowsBefore = rows;
    const bool trailingEmpty = document.blockCount() > 1 && document.lastBlock().length() <= 1;
    return rows + lastRows - (trailingEmpty ? 1 : 0);
}
