#include "ui/LogViewAppend.h"

#include "ui/FrameThrottle.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <memory>

void appendLogLine(QPlainTextEdit &log, const QString &text) {
    QAbstractTextDocumentLayout &layout = *log.document()->documentLayout();
    if (!layout.signalsBlocked()) {
        const QScrollBar &bar = *log.verticalScrollBar();
        const bool showsEnd = bar.value() >= bar.maximum();
        layout.blockSignals(true);
        // Where the frame's changes begin: the new lines' start, or earlier
        // when the log was emptied meanwhile. Only rows from there down are
        // painted anew; a scroll moves the rest as it is.
        auto firstChange = std::make_shared<int>(log.document()->characterCount() - 1);
        const QMetaObject::Connection tracking =
            QObject::connect(log.document(), &QTextDocument::contentsChange, &log,
                             [firstChange](int position, int, int) { *firstChange = std::min(*firstChange, position); });
        QTimer::singleShot(kFrameMs, &log, [&log, showsEnd, firstChange, tracking] {
            QObject::disconnect(tracking);
            QAbstractTextDocumentLayout &layout = *log.document()->documentLayout();
            layout.blockSignals(false);
            emit layout.documentSizeChanged(layout.documentSize());
            if (showsEnd)
                log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum());
            QTextCursor changed(log.document());
            changed.setPosition(std::min(*firstChange, log.document()->characterCount() - 1));
            QWidget &viewport = *log.viewport();
            const int top = std::max(log.cursorRect(changed).top(), 0);
            if (top < viewport.height())
                viewport.update(0, top, viewport.width(), viewport.height() - top);
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

