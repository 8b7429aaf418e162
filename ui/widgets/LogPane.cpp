#include "ui/widgets/LogPane.h"

#include "ui/widgets/FillBand.h"
#include "ui/widgets/LogScrollBar.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>

namespace ui {

namespace {

constexpr int kMargin = WrappedLines::kMargin;

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

} // namespace

LogPane::LogPane(QWidget *parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBar(new LogScrollBar(Qt::Vertical));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every paint fills what it paints.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    m_lines.setFont(font());
}

LogPane::~LogPane() = default;

void LogPane::append(const QString &text) {
    m_lines.append(text);
    // Every line takes a row at least: lines far past the limit are let go
    // at once, should frames be slow to come under a flood.
    if (m_maxRows > 0 && m_lines.endLine() - m_lines.firstLine() > 2 * m_maxRows)
        limitRows();
    m_frame.request();
}

void LogPane::clear() {
    m_lines.clear();
    m_layouts.clear();
    m_anchor = m_cursor = {m_lines.firstLine(), 0};
    repaintAll();
    updateScrollRange();
}

bool LogPane::atEnd() const { return verticalScrollBar()->value() >= verticalScrollBar()->maximum(); }

// While the mouse selects, the view holds still, as in a text editor: rows
// scrolling in under the pointer would be selected with it.
bool LogPane::following() const { return atEnd() && !m_selecting; }

// What came in since the last frame: counted against the limit, then shown;
// the end stays in sight if it was.
void LogPane::frame() {
    const bool follow = following();
    limitRows();
    updateScrollRange();
    if (follow)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    // The new rows below the last one shown, if they come into sight.
    if (m_paintedBottom < viewport()->height())
        viewport()->update(0, int(m_paintedBottom), viewport()->width(), viewport()->height());
}

void LogPane::limitRows() {
    if (m_maxRows <= 0)
        return;
    // Asked before the rows change: the scroll range still counts the rows
    // of the last frame, however many came since.
    const bool follow = following();
    const WrappedLines::Row top = m_lines.rowAt(verticalScrollBar()->value());
    const qint64 kept = m_lines.limitRows(m_maxRows);
    if (kept < 0)
        return;
    repaintAll();
    updateScrollRange();
    verticalScrollBar()->setValue(int(m_lines.topRowAfterChange(top, follow, visibleRows())));
    emit rowsLimited(kept);
}

// The scroll bar counts rows; at its maximum the last row is in sight whole,
// above a margin, as in a plain text view.
int LogPane::visibleRows() const {
    return std::max(0, int((viewport()->height() - 2 * kMargin - 1) / m_lines.rowHeight()));
}

void LogPane::updateScrollRange() {
    const int visible = visibleRows();
    QScrollBar *bar = verticalScrollBar();
    bar->setPageStep(std::max(visible, 1));
    bar->setRange(0, int(std::max<qint64>(0, m_lines.rowCount() - visible)));
}

void LogPane::relayout() {
    const bool follow = atEnd();
    const qint64 top = m_lines.rowAt(verticalScrollBar()->value()).line;
    m_lines.setFont(font());
    m_lines.setTextWidth(viewport()->width() - 2 * kMargin);
    m_layouts.clear();
    repaintAll();
    updateScrollRange();
    verticalScrollBar()->setValue(follow ? verticalScrollBar()->maximum() : int(m_lines.rowsBefore(top)));
}

void LogPane::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void LogPane::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout();
}

void LogPane::repaintAll() {
    m_repaintAll = true;
    viewport()->update();
}

// Rows still in sight are moved rather than drawn again, when the new top
// row was shown and lands on whole pixels; the rest is painted anew.
void LogPane::scrollContentsBy(int, int) {
    if (m_repaintAll)
        return;
    const WrappedLines::Row top = m_lines.rowAt(verticalScrollBar()->value());
    const auto shown = std::find_if(m_paintedRows.begin(), m_paintedRows.end(),
                                    [&](const PaintedRow &row) { return row.line == top.line && row.row == top.row; });
    if (shown == m_paintedRows.end() || m_lines.isEmpty()) {
        repaintAll();
        return;
    }
    const qreal shift = shown->top - topOffset(laidOut(top.line), top.row);
    if (shift != std::round(shift) || shift < 0 || shift >= viewport()->height()) {
        repaintAll();
        return;
    }
    viewport()->scroll(0, -int(shift));
    for (PaintedRow &row : m_paintedRows)
        row.top -= shift;
    m_paintedBottom -= shift;
}

const QTextLayout &LogPane::laidOut(qint64 line) {
    std::unique_ptr<QTextLayout> &layout = m_layouts[line];
    if (!layout)
        layout = m_lines.layout(line);
    return *layout;
}

void LogPane::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    QRect area = event->rect();
    if (area.contains(viewport()->rect()))
        m_repaintAll = false;
    // In bands: the raster engine hands a fill of many scan lines to worker
    // threads, which costs more in switching than it saves.
    const QBrush &field = viewport()->palette().brush(QPalette::Base);
    for (int top = area.top(); top <= area.bottom(); top += kFillBand)
        painter.fillRect(area.left(), top, area.width(), std::min(kFillBand, area.bottom() + 1 - top), field);
    m_paintedRows.clear();
    m_paintedBottom = 0;
    if (m_lines.isEmpty())
        return;
    area.setRight(std::min(area.right(), viewport()->width() - kMargin));
    painter.setClipRect(area);
    painter.setPen(palette().color(QPalette::Text));
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    const auto [from, to] = std::minmax(m_anchor, m_cursor);

    // Layouts of lines no longer in sight are let go.
    decltype(m_layouts) shown;
    const WrappedLines::Row top = m_lines.rowAt(verticalScrollBar()->value());
    qreal y = 0;
    for (qint64 line = top.line; line < m_lines.endLine() && y < viewport()->height(); ++line) {
        const QTextLayout &layout = laidOut(line);
        if (line == top.line)
            y = topOffset(layout, top.row);
        QList<QTextLayout::FormatRange> selections;
        if (from != to && line >= from.line && line <= to.line) {
            const int start = line == from.line ? from.column : 0;
            // Past the line's end, its line break is selected too.
            const int end = line == to.line ? to.column : int(m_lines.text(line).size()) + 1;
            selections.append({start, end - start, selected});
        }
        // Only lines in the area asked for are drawn; each draw has a cost
        // of its own, even of nothing.
        const qreal height = layout.boundingRect().height();
        if (y + height > area.top() && y < area.bottom() + 1)
            layout.draw(&painter, QPointF(kMargin, y), selections, area);
        for (int row = line == top.line ? top.row : 0; row < layout.lineCount(); ++row)
            m_paintedRows.push_back({line, row, y + layout.lineAt(row).y()});
        y += height;
        shown[line] = std::move(m_layouts[line]);
    }
    m_layouts = std::move(shown);
    m_paintedBottom = y;
}

// Where the top line is drawn: its top row at the top of the field, the
// first row of all below a margin. A plain text view puts a row that is not
// its line's first just below the unrounded bottom of the row above.
qreal LogPane::topOffset(const QTextLayout &layout, int row) const {
    if (verticalScrollBar()->value() == 0)
        return kMargin;
    if (row == 0)
        return 0;
    const QTextLine above = layout.lineAt(row - 1);
    return -(above.y() + above.ascent() + above.descent() + std::max<qreal>(above.leading(), 0));
}

WrappedLines::Place LogPane::placeAt(QPointF point) {
    if (m_lines.isEmpty())
        return {m_lines.firstLine(), 0};
    const WrappedLines::Row top = m_lines.rowAt(verticalScrollBar()->value());
    qreal y = 0;
    for (qint64 line = top.line; line < m_lines.endLine(); ++line) {
        const QTextLayout &layout = laidOut(line);
        if (line == top.line)
            y = topOffset(layout, top.row);
        for (int row = line == top.line ? top.row : 0; row < layout.lineCount(); ++row) {
            const QTextLine shown = layout.lineAt(row);
            if (point.y() < y + shown.y() + shown.height())
                return {line, shown.xToCursor(point.x() - kMargin)};
        }
        y += layout.boundingRect().height();
    }
    const qint64 last = m_lines.endLine() - 1;
    return {last, int(m_lines.text(last).size())};
}

void LogPane::select(WrappedLines::Place anchor, WrappedLines::Place cursor) {
    m_anchor = anchor;
    m_cursor = cursor;
    repaintAll();
}

void LogPane::selectAll() {
    if (m_lines.isEmpty())
        return;
    const qint64 last = m_lines.endLine() - 1;
    select({m_lines.firstLine(), 0}, {last, int(m_lines.text(last).size())});
}

void LogPane::copy() {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void LogPane::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    const WrappedLines::Place place = placeAt(event->position());
    select(event->modifiers() & Qt::ShiftModifier ? m_anchor : place, place);
    startSelecting();
}

void LogPane::startSelecting() {
    m_followAfterSelecting = atEnd();
    m_selecting = true;
}

void LogPane::mouseMoveEvent(QMouseEvent *event) {
    if (!m_selecting)
        return;
    // Dragged past the top or bottom edge, the view scrolls along.
    if (event->position().y() < 0) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        m_followAfterSelecting = false;
    } else if (event->position().y() > viewport()->height())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    select(m_anchor, placeAt(event->position()));
}

void LogPane::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !m_selecting)
        return;
    m_selecting = false;
    // Following resumes where it held; what came meanwhile shows at once.
    if (m_followAfterSelecting) {
        updateScrollRange();
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void LogPane::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || m_lines.isEmpty())
        return;
    const WrappedLines::Place place = placeAt(event->position());
    const QString &text = m_lines.text(place.line);
    int start = place.column;
    int end = place.column;
    while (start > 0 && isWordCharacter(text[start - 1]))
        --start;
    while (end < text.size() && isWordCharacter(text[end]))
        ++end;
    select({place.line, start}, {place.line, end});
    startSelecting();
}

// Copy and select-all are the log's own keys, before any shortcut of the
// window.
bool LogPane::event(QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void LogPane::keyPressEvent(QKeyEvent *event) {
    QScrollBar *bar = verticalScrollBar();
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::ShiftModifier)) {
        bar->triggerAction(event->modifiers() ? QAbstractSlider::SliderPageStepSub
                                              : QAbstractSlider::SliderPageStepAdd);
    } else if ((event->key() == Qt::Key_Home || event->key() == Qt::Key_End) &&
               !(event->modifiers() & ~Qt::ControlModifier)) {
        bar->triggerAction(event->key() == Qt::Key_Home ? QAbstractSlider::SliderToMinimum
                                                        : QAbstractSlider::SliderToMaximum);
    } else {
        QAbstractScrollArea::keyPressEvent(event); // arrows and pages
        return;
    }
    event->accept();
}

// Copy and select-all as a plain text view offers them, then whatever the
// window has added to the log.
void LogPane::contextMenuEvent(QContextMenuEvent *event) {
    const auto shortcut = [](QKeySequence::StandardKey key) {
        return QGuiApplication::styleHints()->showShortcutsInContextMenus()
                   ? u'\t' + QKeySequence(key).toString(QKeySequence::NativeText)
                   : QString();
    };
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copyAction =
        menu->addAction(QCoreApplication::translate("QWidgetTextControl", "&Copy") + shortcut(QKeySequence::Copy), this,
                        &LogPane::copy);
    copyAction->setObjectName(QStringLiteral("edit-copy"));
    copyAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    copyAction->setEnabled(hasSelection());
    menu->addSeparator();
    QAction *all = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Select All") +
                                       shortcut(QKeySequence::SelectAll),
                                   this, &LogPane::selectAll);
    all->setObjectName(QStringLiteral("select-all"));
    all->setIcon(QIcon::fromTheme(QStringLiteral("edit-select-all")));
    all->setEnabled(!m_lines.isEmpty());
    if (!actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(actions());
    }
    menu->popup(event->globalPos());
}

// The selection's colours follow the focus.
void LogPane::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    if (hasSelection())
        repaintAll();
}

void LogPane::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    if (hasSelection())
        repaintAll();
}

} // namespace ui
