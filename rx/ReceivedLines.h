#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace rx {

// The received stream cut into its lines where the device ended them: CR,
// LF or CR LF ends a line, however the bytes were cut into reads and
// packets. A line that grows past kMaxLine without an end is let out in
// parts of that length, so a stream that never ends a line holds no more.
class ReceivedLines {
public:
    static constexpr qsizetype kMaxLine = 64 * 1024;

    // maxLine: the length a line without end is let out at.
    explicit ReceivedLines(qsizetype maxLine = kMaxLine) : m_maxLine(maxLine) {}

    // The lines these bytes complete, without their ends; empty lines are
    // left out (LF CR and blank lines carry nothing).
    QList<QByteArray> take(QByteArrayView bytes);
    // The line begun so far (empty: none).
    const QByteArray &unfinished() const { return m_line; }
    // Forgets the line begun so far.
    void clear();

private:
    qsizetype m_maxLine;
    QByteArray m_line;
    bool m_afterCr = false; // an LF right after it ends nothing more
};

} // namespace rx
