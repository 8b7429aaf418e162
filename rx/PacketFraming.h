#pragma once

#include <QtGlobal>

#include <optional>

namespace rx {

// Capacity of the receive buffer RxBuf; a packet line holds at most this many
// bytes.
constexpr quint32 kRxBufSize = 2048;

// More buffered bytes than this end the packet whatever the gap. The buffer
// is emptied at every tick that ends above it, so each tick starts with at
// least kRxBufSize - kRenderThreshold bytes of room.
constexpr quint32 kRenderThreshold = 1500;

// How many of the waiting bytes one receive tick may read: the room left in
// RxBuf, 0 when it is full.
qint64 receiveRoom(quint32 RxLen);

struct FramingDecision {
    bool render = false;   // hand RxBuf to ReadBufRxInLog now
    bool gapEnded = false; // ReadBufRxInLog's flag: the gap has passed in ASCII mode
};

// The timing rule that cuts the received byte stream into packets. All times
// are readings of the framing clock (monotonicWeekMs, WeekClock.h), which
// falls back to 0 once a week like the week clock. Fed with readings rather than
// reading the clock itself, so the weekly wrap and the threshold can be
// exercised without waiting.
struct PacketFraming {
    qint32 LastRxTime = 0; // time of the last tick that found bytes waiting

    // One tick of the receive poll at clock reading T, after the bytes that
    // were waiting (bytesRead: there were some) have been read into RxBuf;
    // RxLen counts them. A packet ends when the line has been silent for
    // longer than PacketGap, or when more than kRenderThreshold bytes are
    // buffered; both comparisons are strict. render is false while nothing is
    // buffered, since ReadBufRxInLog would have nothing to do.
    FramingDecision decide(qint32 T, bool bytesRead, qint32 PacketGap, bool asciiMode, quint32 RxLen);

    // Lets the poll run on events (bytes arriving, a single-shot timer)
    // instead of a 1 ms beat, with the same outcome: the delay in ms from
    // clock reading T until the earliest tick that could decide differently,
    // or none while nothing is buffered and nothing is waiting (the next
    // bytes to arrive bring the next tick). Call it after decide() with the
    // same T and the RxLen left after any rendering; bytesWaiting tells
    // whether the port still holds bytes that did not fit. A tick that comes
    // early is harmless: it decides nothing and asks for the rest of the wait.
    std::optional<qint32> nextTickDelayMs(qint32 T, qint32 PacketGap, quint32 RxLen, bool bytesWaiting) const;
};

} // namespace rx
