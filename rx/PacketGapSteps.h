#pragma once

#include <QString>
#include <QtGlobal>

namespace rx {

// Largest packet gap, in ms.
constexpr qint32 kMaxPacketGap = 100000;

// The packet gap after one up click of TimeOutRx: the step grows with the
// value (1, 5, 50, 500, 5000) and the result is limited to kMaxPacketGap.
qint32 packetGapUp(qint32 v);

// The packet gap after one down click: the same steps downwards, 50000 from
// kMaxPacketGap; 0 stays 0.
qint32 packetGapDown(qint32 v);

// The text of the TimeOutAns readout.
QString packetGapReadout(qint32 v);

} // namespace rx
