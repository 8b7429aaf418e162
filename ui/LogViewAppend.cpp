#include "ui/LogViewAppend.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <algorithm>

LogAppender::LogAppender(QPlainTextEdit &log) : m_log(log) {
    QObject::connect(log.document(), &QTextDocument::contentsChange, &log, [this](int position, int, int) {
        if (m_held)
            m_firstChange = std::min(m_firstChange, position);
    });
}

void LogAppender::append(const QString &text) {
    QTextDocument &document = *m_log.document();
    if (!m_held) {
        const QScrollBar &bar = *m_log.verticalScrollBar();
        m_showedEnd = bar.value() >= bar.maximum();
        m_firstChange = document.characterCount() - 1;
        m_held = true;
        document.documentLayout()->blockSignals(true);
        m_frame.request();
    }
    // Every cursor move outside an edit, and the close of one, lays out the
    // block the cursor is in, to remember its column. Moving within the edit
    // and leaving the cursor at the start, whose block is laid out already,
    // spares laying out the new rows here.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setPosition(document.characterCount() - 1);
    if (!document.isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.setPosition(0);
    cursor.endEditBlock();
}

void LogAppender::frameEnd() {
    m_held = false;
    QTextDocument &document = *m_log.document();
    QAbstractTextDocumentLayout &layout = *document.documentLayout();
    layout.blockSignals(false);
    emit layout.documentSizeChanged(layout.documentSize());
    if (m_showedEnd)
        m_log.verticalScrollBar()->setValue(m_log.verticalScrollBar()->maximum());
    // Only rows from the first change down are painted anew; a scroll has
    // moved the rest as they are.
    QTextCursor changed(&document);
    changed.setPosition(std::min(m_firstChange, document.characterCount() - 1));
    QWidget &viewport = *m_log.viewport();
    const int top = std::max(m_log.cursorRect(changed).top(), 0);
    if (top < viewport.height())
        viewport.update(0, top, viewport.width(), viewport.height() - top);
}
