#pragma once

#include <QByteArray>
#include <QTime>

namespace rx {

// Direction marks inside the time stamp of a log line.
constexpr char kSentMark = '>';
constexpr char kReceivedMark = '<';
// What was done to the serial line (new settings, a pulse, a break).
constexpr char kLineMark = '*';

// The stamp put in front of a log line: " [ hh:mm:ss:zzz > ] " for a sent
// packet, " [ hh:mm:ss:zzz < ] " for a received one (24-hour clock,
// milliseconds in three digits).
QByteArray timeStampPrefix(const QTime &t, char direction);

} // namespace rx
