#include "rx/ReceivedLines.h"

namespace rx {

QList<QByteArray> ReceivedLines::take(QByteArrayView bytes) {
    QList<QByteArray> lines;
    const auto end = [&] {
        if (!m_line.isEmpty())
            lines.append(std::exchange(m_line, {}));
    };
    for (const char c : bytes) {
        const bool afterCr = std::exchange(m_afterCr, c == '\r');
        if (c == '\r' || c == '\n') {
            if (!(c == '\n' && afterCr))
                end();
            continue;
        }
        m_line += c;
        if (m_line.size() >= m_maxLine)
            end();
    }
    return lines;
}

void ReceivedLines::clear() {
    m_line.clear();
    m_afterCr = false;
}

} // namespace rx
