#include "rx/WeekClock.h"

#include <QElapsedTimer>

namespace rx {

qint32 WeekClockMs(const QDateTime &localNow) {
    const QTime time = localNow.time();
    const qint32 day = localNow.date().dayOfWeek(); // Monday 1 .. Sunday 7
    return ((((day - 1) * 24 + time.hour()) * 60 + time.minute()) * 60 + time.second()) * 1000 + time.msec();
}

namespace {

std::function<QDateTime()> &wallClock() {
    static std::function<QDateTime()> source;
    return source;
}

} // namespace

void setWallClockSource(std::function<QDateTime()> source) { wallClock() = std::move(source); }

qint32 WeekClockMs() {
    // One reading of date and time together, so that midnight cannot fall
    // between the two.
    return WeekClockMs(wallClock() ? wallClock()() : QDateTime::currentDateTime());
}

qint32 monotonicWeekMs() {
    static const QElapsedTimer start = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return qint32(start.elapsed() % kWeekMs);
}

} // namespace rx
