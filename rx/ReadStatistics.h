#pragma once

#include <QString>
#include <QtGlobal>

namespace rx {

// The statistics panel: packets sent, reads that found bytes, and the
// smallest and largest time between two such reads. Times are week-clock
// readings (WeekClock.h).
struct ReadStatistics {
    // MinWait before any time between reads has been measured.
    static constexpr qint32 kNoMinWait = 2147483647;

    quint32 ReadCount = 0;
    quint32 SendCount = 0; // counted by the send routine, cleared by reset()
    qint32 MinWait = kNoMinWait;
    qint32 MaxWait = 0;
    qint32 PrevReadTime = 0;
    qint32 LastReadTime = 0;

    // A poll found bytes waiting at time T. Returns whether a time between
    // reads was measured, so the MinTimeWait and MaxTimeWait labels must be
    // set anew. No time is measured for the first read after startup, nor
    // across the weekly wrap of the clock.
    bool recordRead(qint32 T);

    // The "0" button: counters and extremes back to their start values. The
    // read times stay, so the next read can already be measured against the
    // last read before the reset.
    void reset();
};

// Label texts of the panel.
QString readCountText(quint32 ReadCount); // LRead
QString sendCountText(quint32 SendCount); // LSend
QString minWaitText(qint32 MinWait);      // MinTimeWait, "NA" while unmeasured
QString maxWaitText(qint32 MaxWait);      // MaxTimeWait, "NA" while unmeasured

} // namespace rx
