#pragma once

#include "core/DataMode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace rx {

// Renders a received packet as the text of its log line, without the time
// stamp, and with the trailing separator already removed:
// - ASCII: carriage return becomes CR LF, line feed vanishes, a zero byte
//   becomes "<NULL>", every other byte stays as it is. When the text ends in
//   a line break, its line feed is dropped so the line ends in a bare CR; a
//   text without a final line break keeps all its characters.
// - HEX: each byte as two upper-case hex digits, separated by single spaces.
// Since only the tail is ever trimmed, the caller may put the time stamp in
// front of the result afterwards.
//
// In ASCII mode a packet is only complete when the gap has ended it
// (gapEnded), when it is longer than the render threshold, or when its last
// byte is CR or LF; otherwise the result is nullopt and the bytes stay
// buffered. Any other result consumes the packet; an empty line (line feeds
// alone, or no bytes) is neither shown nor recorded and does not count as an
// answer.
std::optional<QByteArray> renderPacket(QByteArrayView packet, core::DataMode mode, bool gapEnded);

// The log filter of sent and received lines: an empty filter passes every
// line; otherwise the filter text must occur in the line (windows-1251 bytes;
// case-sensitive, time stamp included). A filter with a character that
// windows-1251 lacks matches only lines that really hold it, never a '?'.
bool passesFilter(QByteArrayView line, const QString &filter);

} // namespace rx
