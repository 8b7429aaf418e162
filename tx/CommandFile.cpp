#include "tx/CommandFile.h"

#include "core/platform/SafeFile.h"

#include <QFile>

#include <cstring>

namespace tx {

void CommandFile::endLine(QByteArray &line, bool tooLong, bool terminated) {
    if (terminated && line.endsWith('\r'))
        line.chop(1);
    ++m_linesRead;
    if (!tooLong && line.size() < kSkippedLength)
        m_lines.append(line);
    line.clear();
}

bool CommandFile::read(const QString &path) {
    m_lines.clear();
    m_linesRead = 0;
    m_stoppedEarly = false;
    m_error.clear();
    core::SafeFile opened;
    QFile file;
    if (!opened.openChosenForReading(path) || !opened.handTo(file, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_error = opened.errorString();
        return false;
    }
    // Only the start of a line matters: a line is kept up to one byte past
    // the longest that can be loaded (with a CR before its LF), and the rest
    // of a longer one is passed over by searching for its end.
    constexpr qsizetype kKept = kSkippedLength + 1;
    QByteArray line;
    bool tooLong = false;
    qint64 total = 0;
    char chunk[64 * 1024];
    while (m_linesRead < kMaxLines) {
        if (total >= kMaxBytesRead) {
            m_stoppedEarly = true;
            return true;
        }
        const qint64 n = file.read(chunk, std::min<qint64>(sizeof chunk, kMaxBytesRead - total));
        if (n < 0) {
            m_error = file.errorString();
            return false;
        }
        if (n == 0)
            break;
        total += n;
        const char *at = chunk;
        const char *const end = chunk + n;
        while (at < end && m_linesRead < kMaxLines) {
            const char *newline = static_cast<const char *>(std::memchr(at, '\n', end - at));
            const char *stop = newline ? newline : end;
            if (!tooLong) {
                line.append(at, std::min<qsizetype>(stop - at, kKept + 1 - line.size()));
                tooLong = line.size() > kKept;
            }
            if (!newline)
                break;
            endLine(line, tooLong, true);
            tooLong = false;
            at = newline + 1;
        }
    }
    // A last line without a line break.
    if (m_linesRead < kMaxLines && (tooLong || !line.isEmpty()))
        endLine(line, tooLong, false);
    return true;
}

} // namespace tx
