#include "rx/LogLineRenderer.h"

#include "core/Cp1251.h"
#include "rx/PacketFraming.h"

#include <algorithm>
#include <array>

namespace rx {

namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kNull[] = "<NULL>";
constexpr qsizetype kNullLength = sizeof(kNull) - 1;

bool asciiPacketComplete(QByteArrayView packet, bool gapEnded) {
    const char last = packet.back();
    return gapEnded || packet.size() > qsizetype(kRenderThreshold) || last == kCR || last == kLF;
}

// What each byte adds to the length of the rendered text: CR one (it becomes
// CR LF), LF minus one (it vanishes), zero five ("<NULL>" for one byte).
constexpr std::array<signed char, 256> kGrowth = [] {
    std::array<signed char, 256> growth{};
    growth[static_cast<unsigned char>(kCR)] = 1;
    growth[static_cast<unsigned char>(kLF)] = -1;
    growth[0] = kNullLength - 1;
    return growth;
}();

// Sized in one counting pass and filled in a second, so a line costs a
// single allocation whatever its bytes; the runs of plain bytes between the
// few that change are copied whole.
QByteArray renderAscii(QByteArrayView packet) {
    qsizetype size = packet.size();
    for (const char c : packet)
        size += kGrowth[static_cast<unsigned char>(c)];
    QByteArray line(size, Qt::Uninitialized);
    char *out = line.data();
    const char *in = packet.data();
    const char *const end = in + packet.size();
    while (in < end) {
        const char *const run = in;
        while (in < end && kGrowth[static_cast<unsigned char>(*in)] == 0)
            ++in;
        out = std::copy(run, in, out);
        if (in == end)
            break;
        const char c = *in++;
        if (c == kCR) {
            *out++ = kCR;
            *out++ = kLF;
        } else if (c == 0) {
            out = std::copy_n(kNull, kNullLength, out);
        } // a line feed adds nothing
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

std::optional<QByteArray> renderPacket(QByteArrayView packet, core::DataMode mode, bool gapEnded) {
    if (packet.isEmpty())
        return QByteArray();
    if (mode == core::DataMode::Hex)
        return renderHex(packet);
    if (!asciiPacketComplete(packet, gapEnded))
        return std::nullopt;
    return renderAscii(packet);
}

bool passesFilter(QByteArrayView line, const QString &filter) {
    if (filter.isEmpty())
        return true;
    // Bytes are compared while the filter survives the code page; otherwise
    // the texts are.
    const QByteArray bytes = core::cp1251::fromUnicode(filter);
    if (core::cp1251::toUnicode(bytes) == filter)
        return line.contains(bytes);
    return core::cp1251::toUnicode(line).contains(filter);
}

} // namespace rx
