#pragma once

#include "rx/ReadStatistics.h"

#include <QtGlobal>

namespace session {

// Counters of the statistics panel and the byte totals: the receiver counts
// what it read, the transmitter what the port took.
struct Traffic {
    quint32 TxTotal = 0;
    quint32 RxTotal = 0;
    rx::ReadStatistics statistics;
};

} // namespace session
