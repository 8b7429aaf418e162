#pragma once

#include <QString>

class QPlainTextEdit;

// Appends one line as new rows at the end of the log view. The document
// changes at once. The view, though, would lay out its last rows, adjust its
// scroll bar and repaint itself whole for every line; instead its layout's
// notices are held back for one frame from the first line on, and then given
// once: a stream of lines costs one layout of the new rows and one paint of
// them per frame, the rows already shown being moved by a scroll rather than
// drawn again. A view that showed the end shows the new end.
void appendLogLine(QPlainTextEdit &log, const QString &text);
