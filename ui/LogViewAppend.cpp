#include "ui/LogViewAppend.h"

#include "ui/FrameThrottle.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

void appendLogLine(QPlainTextEdit &log, const QString &text) {
    QAbstractTextDocumentLayout &layout = *log.document()->documentLayout();
    if (!layout.signalsBlocked()) {
        const QScrollBar &bar = *log.verticalScrollBar();
        const bool showsEnd = bar.value() >= bar.maximum();
        layout.blockSignals(true);
        QTimer::singleShot(kFrameMs, &log, [&log, showsEnd] {
            QAbstractTextDocumentLayout &layout = *log.document()->documentLayout();
            layout.blockSignals(false);
            emit layout.documentSizeChanged(layout.documentSize());
            if (showsEnd)
                log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum());
            log.viewport()->update();
        });
    }
    // Every cursor move outside an edit, and the close of one, lays out the
    // block the cursor is in, to remember its column. Moving within the edit
    // and leaving the cursor at the start, whose block is laid out already,
    // spares laying out the new rows here.
    QTextDocument &document = *log.document();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setPosition(document.characterCount() - 1);
    if (!document.isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.setPosition(0);
    cursor.endEditBlock();
}

