#include "rx/WeekClock.h"

qint32 WeekClockMs(const QDateTime &localNow) {
    const QTime time = localNow.time();
    const qint32 day = localNow.date().dayOfWeek(); // Monday 1 .. Sunday 7
    return ((((day - 1) * 24 + time.hour()) * 60 + time.minute()) * 60 + time.second()) * 1000
           + time.msec();
}

qint32 WeekClockMs() {
    // One reading of date and time together, so that midnight cannot fall
    // between the two.
    return WeekClockMs(QDateTime::currentDateTime());
}
