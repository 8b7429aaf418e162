#include "rx/PacketFraming.h"

#include "rx/WeekClock.h"

#include <algorithm>

qint64 receiveRoom(quint32 RxLen) {
    return RxLen >= kRxBufSize ? 0 : qint64(kRxBufSize) - RxLen;
}

FramingDecision PacketFraming::decide(qint32 T, bool bytesRead, qint32 PacketGap, bool asciiMode, quint32 RxLen) {
    if (T < LastRxTime) // the week clock has wrapped
        LastRxTime = T;
    if (bytesRead)
        LastRxTime = T;
    const bool gapPassed = T - LastRxTime > PacketGap;

    FramingDecision decision;
    if (RxLen == 0)
        return decision;
    if (gapPassed && asciiMode) {
        decision.render = true;
        decision.gapEnded = true;
    } else if (gapPassed || RxLen > kRenderThreshold) {
        decision.render = true;
    }
    return decision;
}

std::optional<qint32> PacketFraming::nextTickDelayMs(qint32 T, qint32 PacketGap, quint32 RxLen,
                                                     bool bytesWaiting) const {
    // Waiting bytes would be read on the very next tick of a 1 ms poll; so
    // would a wrap of the clock be followed, or a full buffer be shown.
    if (bytesWaiting || T < LastRxTime || RxLen > kRenderThreshold)
        return 1;
    if (RxLen == 0)
        return std::nullopt;
    // The first reading with a silence above the gap, unless the clock wraps
    // first: then LastRxTime falls back with it and the wait starts anew.
    const qint64 due = std::min(qint64(LastRxTime) + PacketGap + 1, qint64(kWeekMs));
    return qint32(std::max<qint64>(due - T, 1));
}
