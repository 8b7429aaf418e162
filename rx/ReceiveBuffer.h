#pragma once

#include "core/DataMode.h"
#include "rx/PacketFraming.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>

namespace rx {

// The receive buffer RxBuf with the framing around it: the bytes read on a
// tick go in, the text of each finished packet's log line comes out, and the
// framing says when the next tick is due.
class ReceiveBuffer {
public:
    quint32 length() const { return m_length; } // RxLen
    // How many of the waiting bytes may be read now.
    qint64 room() const { return receiveRoom(m_length); }
    void append(QByteArrayView bytes);

    // One tick at framing clock reading now, after the bytes read on it were
    // appended (bytesRead: there were some). The rendered line, without time
    // stamp, when a packet ended and has something to show; a packet of line
    // feeds alone is consumed and shows nothing.
    std::optional<QByteArray> tick(qint32 now, bool bytesRead, qint32 packetGap, core::DataMode mode);
    // Ends the packet now, whatever the gap (a send is about to start): the
    // rendered line of everything buffered, when it has something to show.
    std::optional<QByteArray> endPacket(core::DataMode mode);
    // When the next tick is due (see PacketFraming::nextTickDelayMs).
    std::optional<qint32> nextTickDelayMs(qint32 now, qint32 packetGap, bool bytesWaiting) const;

private:
    std::array<char, kRxBufSize> m_bytes{};
    quint32 m_length = 0;
    PacketFraming m_framing;
};

} // namespace rx
