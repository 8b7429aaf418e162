#include "rx/ReadStatistics.h"

namespace rx {

bool ReadStatistics::recordRead(qint32 T) {
    ++ReadCount;
    PrevReadTime = LastReadTime;
    LastReadTime = T;
    const qint32 d = T - PrevReadTime;
    if (d <= 0 || PrevReadTime <= 0)
        return false;
    if (d < MinWait)
        MinWait = d;
    if (d > MaxWait)
        MaxWait = d;
    return true;
}

void ReadStatistics::reset() {
    ReadCount = 0;
    SendCount = 0;
    MinWait = kNoMinWait;
    MaxWait = 0;
}

QString readCountText(quint32 ReadCount) { return QStringLiteral("Read: ") + QString::number(ReadCount); }

QString sendCountText(quint32 SendCount) { return QStringLiteral("Send: ") + QString::number(SendCount); }

// Every measured time is positive and below a week, so the start values can
// only mean "nothing measured yet".
QString minWaitText(qint32 MinWait) {
    return QStringLiteral("MIN_T_W:  ") +
           (MinWait == ReadStatistics::kNoMinWait ? QStringLiteral("NA") : QString::number(MinWait));
}

QString maxWaitText(qint32 MaxWait) {
    return QStringLiteral("MAX_T_W: ") + (MaxWait == 0 ? QStringLiteral("NA") : QString::number(MaxWait));
}

} // namespace rx
