#pragma once

#include "ui/widgets/FrameThrottle.h"
#include "ui/widgets/WrappedLines.h"

#include <QAbstractScrollArea>

#include <memory>
#include <unordered_map>
#include <vector>

class QTextLayout;

namespace ui {

// The log's own view: read-only lines kept as they are shown, not as a text
// document. New lines are taken in at once but measured, limited and painted
// once per frame, and only the rows in sight are laid out and painted, over
// an opaque background. It looks and behaves as a read-only plain text view:
// the same font, wrap points, colours and margins; rows scroll one by one;
// mouse selection, copy and select-all by key and context menu; the end is
// followed while it is in sight. The scroll bar's value is the top row.
class LogPane : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(QString plainText READ toPlainText)
public:
    explicit LogPane(QWidget *parent = nullptr);
    ~LogPane() override;

    // Appends a log line as new rows at the end.
    void append(const QString &text);
    void clear();
    QString toPlainText() const { return m_lines.toPlainText(); }

    // Past this many rows, at the next frame, the pane keeps only the rows
    // that came after them (0: no limit).
    void setMaxRows(qint64 rows) { m_maxRows = rows; }
    void limitRows();
    qint64 rowCount() { return m_lines.rowCount(); }

    bool hasSelection() const { return m_anchor != m_cursor; }
    QString selectedText() const { return m_lines.textBetween(m_anchor, m_cursor); }
    void selectAll();
    void copy();

signals:
    // The limit emptied the pane but for these rows.
    void rowsLimited(qint64 kept);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void frame();
    void repaintAll();
    void relayout();
    void updateScrollRange();
    bool atEnd() const;
    bool following() const;
    int visibleRows() const;
    void startSelecting();
    const QTextLayout &laidOut(qint64 line);
    qreal topOffset(const QTextLayout &layout, int row) const;
    WrappedLines::Place placeAt(QPointF point);
    void select(WrappedLines::Place anchor, WrappedLines::Place cursor);

    WrappedLines m_lines;
    FrameThrottle m_frame{[this] { frame(); }};
    qint64 m_maxRows = 0;
    // The layouts of the lines last painted, by line serial.
    std::unordered_map<qint64, std::unique_ptr<QTextLayout>> m_layouts;
    // The rows last painted and where their tops were; where they ended.
    struct PaintedRow {
        qint64 line;
        int row;
        qreal top;
    };
    std::vector<PaintedRow> m_paintedRows;
    qreal m_paintedBottom = 0;
    bool m_repaintAll = true; // a paint of the whole field is due
    WrappedLines::Place m_anchor, m_cursor;
    bool m_selecting = false;
    bool m_followAfterSelecting = false; // the end was followed when it began
};

} // namespace ui
