#include "tx/CommandEncoding.h"

#include <utility>

namespace tx {

namespace {

// A digit pair starting at pos; a second digit past the end reads as 0.
quint8 pairValue(QByteArrayView text, qsizetype pos) {
    const int high = HexToInt(text[pos]);
    const int low = pos + 1 < text.size() ? HexToInt(text[pos + 1]) : 0;
    return quint8(high * 16 + low);
}

// The bytes a checksum is computed over. In HEX mode only complete pairs
// count, so a lone final digit is left out.
QByteArray checksumBytes(QByteArrayView commandPart, core::DataMode mode) {
    if (mode == core::DataMode::Ascii)
        return commandPart.toByteArray();
    QByteArray bytes;
    bytes.reserve(commandPart.size() / 3 + 1);
    for (qsizetype pos = 0; pos + 1 < commandPart.size(); pos += 3)
        bytes.append(char(pairValue(commandPart, pos)));
    return bytes;
}

QByteArray twoHexDigits(int value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const char pair[2] = {digits[(value >> 4) & 0xF], digits[value & 0xF]};
    return QByteArray(pair, 2);
}

} // namespace

int HexToInt(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

int CalcCsum(QByteArrayView commandPart, int tokenIndex, core::DataMode mode) {
    if (tokenIndex < 0 || tokenIndex >= int(ChecksumTokens.size()))
        return 0;
    const QByteArray all = checksumBytes(commandPart, mode);
    const QByteArrayView covered = QByteArrayView(all).sliced(qMin<qsizetype>(tokenIndex % 3, all.size()));
    quint8 sum = 0;
    quint8 xorred = 0;
    for (const char byte : covered) {
        sum = quint8(sum + quint8(byte));
        xorred ^= quint8(byte);
    }
    switch (tokenIndex / 3) {
    case 0:
        return sum;
    case 1:
        return xorred;
    default:
        return 0xFF - sum;
    }
}

QByteArray ConvAddStr(QByteArrayView commandPart, QByteArrayView tail, core::DataMode mode) {
    QByteArray text = tail.toByteArray();
    for (int index = 0; index < int(ChecksumTokens.size()); ++index) {
        const QByteArrayView token = ChecksumTokens[index];
        if (!text.contains(token))
            continue;
        const QByteArray value = twoHexDigits(CalcCsum(commandPart, index, mode));
        // Same result as replacing the leftmost occurrence until none is left,
        // in one pass: an occurrence is replaced as soon as its last character
        // is copied. A replacement can only complete a new occurrence that
        // contains its two digits (a value "FF" inside "[FF - ...]"), and such
        // an occurrence ends after them, so the pass still meets it.
        QByteArray replaced;
        replaced.reserve(text.size());
        for (const char c : std::as_const(text)) {
            replaced.append(c);
            if (replaced.endsWith(token)) {
                replaced.chop(token.size());
                replaced.append(value);
            }
        }
        text = std::move(replaced);
    }
    return text;
}

Packet BuildPacket(QByteArrayView commandPart, QByteArrayView convertedTail, core::DataMode mode) {
    QByteArray joined;
    joined.reserve(commandPart.size() + convertedTail.size());
    joined.append(commandPart).append(convertedTail);
    const QByteArrayView text(joined);
    Packet packet;
    if (mode == core::DataMode::Hex) {
        packet.bytes.reserve(text.size() / 3 + 1);
        for (qsizetype pos = 0; pos < text.size(); pos += 3)
            packet.bytes.append(char(pairValue(text, pos)));
        packet.echo = joined;
        return packet;
    }
    packet.bytes.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        // "$" escapes exist only in the tail: in the command part it is a
        // plain character. An escape always consumes two digits, the missing
        // ones at the end of the text reading as 0.
        if (text[pos] == '$' && pos >= commandPart.size()) {
            const qsizetype digits = pos + 1;
            packet.bytes.append(char(digits < text.size() ? pairValue(text, digits) : 0));
            pos += 3;
        } else {
            packet.bytes.append(text[pos]);
            pos += 1;
        }
    }
    packet.echo = packet.bytes;
    return packet;
}

} // namespace tx
