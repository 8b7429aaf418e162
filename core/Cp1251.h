#pragma once

#include <QByteArray>
#include <QString>

namespace core {

// The terminal works in single-byte windows-1251 text everywhere: commands on
// the wire, log lines, stored files. Qt's ICU converter replaces characters it
// cannot map with 0x1A; the terminal must send "?" instead, hence this table.
namespace cp1251 {

// A character that windows-1251 cannot represent becomes '?' (0x3F).
QByteArray fromUnicode(QStringView text);

// Every byte maps to one character; the one unassigned byte (0x98) maps to
// U+0098 so that bytes survive a round trip.
QString toUnicode(QByteArrayView bytes);
// The same into a buffer with room for bytes.size() characters; returns the
// end of what was written.
QChar *toUnicode(QByteArrayView bytes, QChar *out);

} // namespace cp1251

} // namespace core
