#include "tx/CommandFile.h"

#include <QFile>

namespace tx {

bool CommandFile::read(const QString &path) {
    m_lines.clear();
    m_linesRead = 0;
    m_error.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    // Only the start of a long line matters, so a line is read in pieces and
    // never held whole.
    char piece[kSkippedLength + 2];
    while (m_linesRead < kMaxLines && !file.atEnd()) {
        QByteArray line;
        bool ended = false;
        bool tooLong = false;
        while (!ended && !file.atEnd()) {
            const qint64 n = file.readLine(piece, sizeof piece);
            if (n <= 0) {
                m_error = file.errorString();
                return false;
            }
            ended = piece[n - 1] == '\n';
            if (!tooLong)
                line.append(piece, n);
            tooLong = line.size() > kSkippedLength + 1;
        }
        if (ended) {
            line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
        }
        ++m_linesRead;
        if (!tooLong && line.size() < kSkippedLength)
            m_lines.append(line);
    }
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

} // namespace tx
