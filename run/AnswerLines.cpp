#include "run/AnswerLines.h"

namespace run {

QList<QByteArray> AnswerLines::add(QByteArrayView bytes) {
    QList<QByteArray> lines;
    const auto end = [&] {
        if (!m_line.isEmpty() && !m_restTaken)
            lines << m_line;
        m_line.clear();
        m_restTaken = false;
    };
    for (const char byte : bytes) {
        if (byte == '\r' || byte == '\n') {
            end();
            continue;
        }
        m_line += byte;
        if (m_line.size() >= kMaxLineBytes)
            end();
    }
    return lines;
}

std::optional<QByteArray> AnswerLines::pause() const {
    if (m_line.isEmpty() || m_restTaken)
        return std::nullopt;
    return m_line;
}

void AnswerLines::restart() {
    m_line.clear();
    m_restTaken = false;
}

} // namespace run
