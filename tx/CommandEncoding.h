#pragma once

#include "core/DataMode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>

// The command-string language: a command part taken literally, plus a tail
// string whose checksum tokens are replaced by their values and whose "$"
// escapes are decoded. All texts are windows-1251 bytes, one byte per
// character. Nothing here fails: every input encodes to some byte sequence.
namespace tx {

// The tail string of the ASCII mode, as at start: a carriage return.
inline const QString kAsciiTail = QStringLiteral("$0D");

using core::DataMode;

// The tail a data mode starts with: a carriage return in ASCII, none in HEX.
inline QString defaultTail(DataMode mode) { return mode == DataMode::Hex ? QString() : kAsciiTail; }

// The checksum tokens in the order of the tail picker; a token's index selects
// its algorithm: index / 3 is the kind (8-bit sum, 8-bit XOR, 0xFF minus the
// 8-bit sum), index % 3 the number of leading command bytes left out.
// Matched exactly: the XOR tokens have a blank before "(", the SUM ones none.
inline constexpr std::array<QByteArrayView, 9> ChecksumTokens{
    "[SUM_8(0..n)]",  "[SUM_8(1..n)]",      "[SUM_8(2..n)]",      "[XOR_8 (0..n)]",     "[XOR_8 (1..n)]",
    "[XOR_8 (2..n)]", "[FF - SUM_8(0..n)]", "[FF - SUM_8(1..n)]", "[FF - SUM_8(2..n)]",
};

// '0'..'9', 'A'..'F', 'a'..'f' give their value; anything else gives 0.
int HexToInt(char c);

// The value (0..255) of the token with the given index over the command part:
// in ASCII mode its bytes as typed, in HEX mode the pairs at 0-based positions
// 0-1, 3-4, 6-7, ... (a lone final digit is not covered). All bytes count,
// however long the command part. An index outside the list gives 0.
int CalcCsum(QByteArrayView commandPart, int tokenIndex, core::DataMode mode);

// The tail with every checksum token replaced by its value over the command
// part as two uppercase hexadecimal digits; tokens are handled in list order,
// each occurrence leftmost first. Everything else stays as typed.
QByteArray ConvAddStr(QByteArrayView commandPart, QByteArrayView tail, core::DataMode mode);

// What one send puts on the wire and into the log.
struct Packet {
    QByteArray bytes;
    QByteArray echo;
};

// Joins the command part and the already converted tail (see ConvAddStr) and
// encodes the joined text. ASCII: "$" followed by two digits is one byte, but
// only inside the tail; the echo equals the bytes. HEX: the pairs at 0-based
// positions 0, 3, 6, ... are the bytes (a lone final digit gives digit * 16);
// the echo is the joined text unchanged. The whole text is encoded, whatever
// its length.
Packet BuildPacket(QByteArrayView commandPart, QByteArrayView convertedTail, core::DataMode mode);

} // namespace tx
