#include "run/AnswerLines.h"

namespace run {

QList<QByteArray> AnswerLines::add(QByteArrayView bytes) {
    QList<QByteArray> lines = m_lines.take(bytes);
    // The first line to end is the one whose beginning was taken.
    if (m_restTaken && !lines.isEmpty()) {
        lines.removeFirst();
        m_restTaken = false;
    }
    return lines;
}

std::optional<QByteArray> AnswerLines::pause() const {
    const QByteArray &line = m_lines.unfinished();
    if (line.isEmpty() || m_restTaken)
        return std::nullopt;
    return line;
}

void AnswerLines::restart() {
    m_lines.clear();
    m_restTaken = false;
}

} // namespace run
