#include "rx/ReceiveBuffer.h"

#include "rx/LogLineRenderer.h"

#include <algorithm>
#include <cstring>

namespace rx {

void ReceiveBuffer::append(QByteArrayView bytes) {
    const auto count = static_cast<quint32>(std::min<qint64>(bytes.size(), room()));
    std::memcpy(m_bytes.data() + m_length, bytes.data(), count);
    m_length += count;
}

std::optional<QByteArray> ReceiveBuffer::tick(qint32 now, bool bytesRead, qint32 packetGap, core::DataMode mode) {
    const FramingDecision decision =
        m_framing.decide(now, bytesRead, packetGap, mode == core::DataMode::Ascii, m_length);
    if (!decision.render || m_length == 0)
        return std::nullopt;
    std::optional<QByteArray> line = renderPacket(QByteArrayView(m_bytes.data(), m_length), mode, decision.gapEnded);
    if (!line)
        return std::nullopt; // an unfinished ASCII line waits for more
    m_length = 0;
    if (line->isEmpty())
        return std::nullopt;
    return line;
}

std::optional<QByteArray> ReceiveBuffer::endPacket(core::DataMode mode) {
    if (m_length == 0)
        return std::nullopt;
    // Rendered as a packet the gap has ended, which is always complete.
    std::optional<QByteArray> line = renderPacket(QByteArrayView(m_bytes.data(), m_length), mode, true);
    m_length = 0;
    if (!line || line->isEmpty())
        return std::nullopt;
    return line;
}

std::optional<qint32> ReceiveBuffer::nextTickDelayMs(qint32 now, qint32 packetGap, bool bytesWaiting) const {
    return m_framing.nextTickDelayMs(now, packetGap, m_length, bytesWaiting);
}

} // namespace rx
