#include "rx/PacketGapSteps.h"

#include <algorithm>

namespace rx {

namespace {

// The step, up or down, for a value of 1 to kMaxPacketGap - 1; an up click
// from 0 takes the smallest step too.
qint32 stepFor(qint32 v) {
    if (v < 10)
        return 1;
    if (v < 100)
        return 5;
    if (v < 1000)
        return 50;
    if (v < 10000)
        return 500;
    return 5000;
}

} // namespace

qint32 packetGapUp(qint32 v) {
    if (v >= kMaxPacketGap)
        return kMaxPacketGap;
    return std::min(v + stepFor(v), kMaxPacketGap);
}

qint32 packetGapDown(qint32 v) {
    if (v <= 0)
        return v;
    if (v >= kMaxPacketGap)
        return v - 50000;
    return v - stepFor(v);
}

QString packetGapReadout(qint32 v) { return QStringLiteral("TimeOutRX: ") + QString::number(v); }

} // namespace rx
