#pragma once

#include <QMetaObject>

class QPlainTextEdit;
class QTextDocument;

// Counts the rows the log shows at its current width: a wrapped line once
// per row, a trailing empty row not at all, whether the log has been laid
// out or not (a hidden log never is). Lines are only appended or all cleared,
// so each is measured once; a change of width or a removal measures anew.
class LogRowCounter {
public:
    LogRowCounter() = default;
    ~LogRowCounter();
    LogRowCounter(const LogRowCounter &) = delete;
    LogRowCounter &operator=(const LogRowCounter &) = delete;

    int rows(const QPlainTextEdit &log);

private:
    const QTextDocument *m_document = nullptr;
    QMetaObject::Connection m_removals;
    bool m_stale = true;
    int m_width = -1;
    int m_blocks = 0;     // blocks measured so far
    int m_rowsBefore = 0; // rows of all measured blocks but the last
};
