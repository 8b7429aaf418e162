#pragma once

#include <QDateTime>
#include <QtGlobal>

// Length of one week in milliseconds: the week clock runs from 0 to
// kWeekMs - 1 and then falls back to 0.
constexpr qint32 kWeekMs = 604800000;

// Milliseconds since Monday 00:00:00.000 of the week of the given wall-clock
// reading; its date and time are taken as they are, without conversion.
qint32 WeekClockMs(const QDateTime &localNow);

// The week clock now, from the local time of day. It is the only time base of
// the receive path.
qint32 WeekClockMs();
