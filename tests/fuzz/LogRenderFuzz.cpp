// Device bytes into the log: whatever a device sends, the log's lines keep
// it. In HEX each line reads back as its bytes; in ASCII every byte but CR,
// LF and NUL is there, in order, and NUL shows as "<NULL>". The bytes framed
// into packets by the receive buffer, in pieces and on ticks, lose nothing.
// The number scan of a line never yields a value that is no finite number.
#include "FuzzKit.h"

#include "rx/LogLineRenderer.h"
#include "rx/NumberScan.h"
#include "rx/ReceiveBuffer.h"

#include <cmath>
#include <optional>

namespace {

// The ASCII log text of bytes: CR and LF dropped, NUL as "<NULL>".
QByteArray asciiKept(QByteArrayView bytes) {
    QByteArray kept;
    for (const char c : bytes) {
        if (c == 0)
            kept += "<NULL>";
        else if (c != '\r' && c != '\n')
            kept += c;
    }
    return kept;
}

QByteArray withoutLineBreaks(QByteArray text) {
    text.replace('\r', QByteArray());
    text.replace('\n', QByteArray());
    return text;
}

void checkScan(QByteArrayView line) {
    const rx::NumberScan scan = rx::scanNumbers(line);
    FUZZ_CHECK(scan.skipped >= 0);
    for (const QList<rx::Reading> &row : scan.rows) {
        FUZZ_CHECK(!row.isEmpty());
        for (const rx::Reading &reading : row) {
            FUZZ_CHECK(std::isfinite(reading.value));
            FUZZ_CHECK(!reading.series.isEmpty());
        }
    }
}

void checkHexLine(QByteArrayView packet, const QByteArray &line) {
    FUZZ_CHECK(line.size() == packet.size() * 3 - 1);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        FUZZ_CHECK(i % 3 == 2 ? c == ' ' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')));
    }
    FUZZ_CHECK(QByteArray::fromHex(line) == packet.toByteArray());
}

// The bytes through the receive buffer as the receive beat feeds it: read
// in pieces, ticks with and without new bytes, a send ending a packet now
// and then. Returns what the lines say together.
QByteArray framed(QByteArrayView stream, quint8 setup, core::DataMode mode) {
    rx::ReceiveBuffer buffer;
    QByteArray lines;
    const auto take = [&](const std::optional<QByteArray> &line) {
        if (line)
            lines += mode == core::DataMode::Hex ? QByteArray::fromHex(*line) : withoutLineBreaks(*line);
    };
    const qint32 gap = setup & 3 ? qint32(setup & 3) * 10 : 0;
    qint32 now = 1000;
    unsigned cut = setup;
    for (qsizetype at = 0; at < stream.size();) {
        cut = cut * 1103515245u + 12345u;
        const qsizetype length =
            std::min<qsizetype>({stream.size() - at, qsizetype(1 + (cut >> 16) % 97), qsizetype(buffer.room())});
        if (length == 0) {
            take(buffer.endPacket(mode));
            continue;
        }
        buffer.append(stream.sliced(at, length));
        at += length;
        take(buffer.tick(now, true, gap, mode));
        now += qint32((cut >> 8) % 50);
        if ((cut >> 24) % 5 == 0)
            take(buffer.tick(now, false, gap, mode));
        if ((cut >> 20) % 11 == 0)
            take(buffer.endPacket(mode));
    }
    take(buffer.endPacket(mode));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const quint8 setup = data[0];
    const QByteArrayView packet = fuzz::bytes(data + 1, size - 1);

    const std::optional<QByteArray> hex = rx::renderPacket(packet, core::DataMode::Hex, false);
    FUZZ_CHECK(hex.has_value());
    if (!packet.isEmpty())
        checkHexLine(packet, *hex);
    checkScan(*hex);

    const std::optional<QByteArray> ascii = rx::renderPacket(packet, core::DataMode::Ascii, true);
    FUZZ_CHECK(ascii.has_value());
    FUZZ_CHECK(withoutLineBreaks(*ascii) == asciiKept(packet));
    FUZZ_CHECK(!ascii->endsWith('\n'));
    checkScan(*ascii);
    // Before the gap ends, an unfinished line waits; a finished one is the same.
    const std::optional<QByteArray> early = rx::renderPacket(packet, core::DataMode::Ascii, false);
    FUZZ_CHECK(!early || *early == *ascii);

    FUZZ_CHECK(framed(packet, setup, core::DataMode::Hex) == packet.toByteArray());
    FUZZ_CHECK(framed(packet, setup, core::DataMode::Ascii) == asciiKept(packet));
    return 0;
}
