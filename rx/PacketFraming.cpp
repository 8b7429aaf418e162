#include "rx/PacketFraming.h"

#include "rx/WeekClock.h"

#include <algorithm>

namespace rx {

qint64 receiveRoom(quint32 RxLen) { return RxLen >= kRxBufSize ? 0 : qint64(kRxBufSize) - RxLen; }

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
    // Bytes that did not fit are read at once: ticks may come faster than a
    // millisecond, and under a flood a 1 ms beat would cap the reading at
    // one buffer per millisecond. A wrap of the clock not yet followed, or a
    // full buffer, is dealt with on the next millisecond.
    if (bytesWaiting)
        return 0;
    if (T < LastRxTime || RxLen > kRenderThreshold)
        return 1;
    if (RxLen == 0)
        return std::nullopt;
    // The first reading with a silence above the gap, unless the clock wraps
    // first: then LastRxTime falls back with it and the wait starts anew.
    const qint64 due = std::min(qint64(LastRxTime) + PacketGap + 1, qint64(kWeekMs));
    return qint32(std::max<qint64>(due - T, 1));
}

} // namespace rx
