#include "rx/LogLineRenderer.h"

#include "core/Cp1251.h"
#include "rx/PacketFraming.h"

#include <algorithm>

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kNull[] = "<NULL>";
constexpr qsizetype kNullLength = sizeof(kNull) - 1;

bool asciiPacketComplete(QByteArrayView packet, bool gapEnded) {
    const char last = packet.back();
    return gapEnded || packet.size() > qsizetype(kRenderThreshold) || last == kCR || last == kLF;
}

// Sized in one counting pass and filled in a second, so a line costs a
// single allocation whatever its bytes.
QByteArray renderAscii(QByteArrayView packet) {
    qsizetype size = packet.size();
    for (const char c : packet) {
        if (c == kCR)
            ++size;
        else if (c == kLF)
            --size;
        else if (c == 0)
            size += kNullLength - 1;
    }
    QByteArray line(size, Qt::Uninitialized);
    char *out = line.data();
    for (const char c : packet) {
        if (c == kCR) {
            *out++ = kCR;
            *out++ = kLF;
        } else if (c == kLF) {
            continue;
        } else if (c == 0) {
            out = std::copy_n(kNull, kNullLength, out);
        } else {
            *out++ = c;
        }
    }
    // Only a final line break ends in LF: drop it, leaving a bare CR.
    if (line.endsWith(kLF))
        line.chop(1);
    return line;
}

QByteArray renderHex(QByteArrayView packet) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QByteArray line(packet.size() * 3, Qt::Uninitialized);
    char *out = line.data();
    for (const char c : packet) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = kDigits[byte >> 4];
        *out++ = kDigits[byte & 0x0F];
        *out++ = ' ';
    }
    line.chop(1); // the space after the last byte
    return line;
}

} // namespace

std::optional<QByteArray> RenderPacket(QByteArrayView packet, DataMode mode, bool gapEnded) {
    if (packet.isEmpty())
        return QByteArray();
    if (mode == DataMode::Hex)
        return renderHex(packet);
    if (!asciiPacketComplete(packet, gapEnded))
        return std::nullopt;
    return renderAscii(packet);
}

bool PassesFilter(QByteArrayView line, const QString &filter) {
    if (filter.isEmpty())
        return true;
    // Bytes are compared while the filter survives the code page; otherwise
    // the texts are.
    const QByteArray bytes = cp1251::fromUnicode(filter);
    if (cp1251::toUnicode(bytes) == filter)
        return line.contains(bytes);
    return cp1251::toUnicode(line).contains(filter);
}
