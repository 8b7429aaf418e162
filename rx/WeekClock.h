#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <functional>

namespace rx {

// Length of one week in milliseconds: the week clock runs from 0 to
// kWeekMs - 1 and then falls back to 0.
constexpr qint32 kWeekMs = 604800000;

// Milliseconds since Monday 00:00:00.000 of the week of the given wall-clock
// reading; its date and time are taken as they are, without conversion.
qint32 WeekClockMs(const QDateTime &localNow);

// The week clock now, from the local time of day: the time base of the read
// statistics.
qint32 WeekClockMs();

// Where WeekClockMs() reads the wall clock; an empty function restores the
// system's clock. Lets the clock be stepped as NTP or daylight saving do.
void setWallClockSource(std::function<QDateTime()> source);

// A clock that the wall clock's steps do not move: milliseconds since the
// process started, falling back to 0 after kWeekMs like the week clock, so it
// feeds the packet framing in the same range. Silence is measured on it.
qint32 monotonicWeekMs();

} // namespace rx
