#pragma once

#include "ui/FrameThrottle.h"

#include <QString>

class QPlainTextEdit;

// Appends lines as new rows at the end of the log view. The document changes
// at once. The view, though, would lay out its last rows, adjust its scroll
// bar and repaint itself for every line; instead its layout's notices are
// held back from the first line of a frame to the frame's end, and then given
// once: a stream of lines costs one layout of the new rows and one paint of
// them per frame, the rows already shown being moved by a scroll rather than
// drawn again. A view that showed the end shows the new end.
class LogAppender {
public:
    explicit LogAppender(QPlainTextEdit &log);
    void append(const QString &text);

private:
    void frameEnd();

    QPlainTextEdit &m_log;
    FrameThrottle m_frame{[this] { frameEnd(); }};
    bool m_held = false;
    bool m_showedEnd = false;
    // Where the frame's changes begin: the new lines' start, or earlier when
    // the log was emptied meanwhile.
    int m_firstChange = 0;
};
