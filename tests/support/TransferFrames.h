#pragma once

#include <QByteArray>
#include <QList>

#include "tx/FileSender.h"

// What a file sender put on the wire, read back frame by frame as a receiver
// would: blocks (SOH 128 / STX 1024, number, its complement, data, checksum
// or CRC, the CRC as its test pins it down), EOT and CAN. Shared by the unit's tests and its fuzz target.
namespace frames {

struct Frame {
    enum class Kind { Block, Eot, Cancel, Broken } kind = Kind::Broken;
    int number = -1;
    QByteArray data;
};

// Reads the frames in bytes; a frame that does not check is Broken, and
// reading stops there.
inline QList<Frame> read(const QByteArray &bytes, bool crc) {
    QList<Frame> frames;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const char head = bytes[at];
        if (head == 0x04 || head == 0x18) {
            frames.append(Frame{head == 0x04 ? Frame::Kind::Eot : Frame::Kind::Cancel, -1, {}});
            ++at;
            continue;
        }
        const qsizetype length = head == 0x01 ? 128 : head == 0x02 ? 1024 : -1;
        const qsizetype whole = 3 + length + (crc ? 2 : 1);
        if (length < 0 || at + whole > bytes.size()) {
            frames.append(Frame{});
            return frames;
        }
        const quint8 number = quint8(bytes[at + 1]);
        const QByteArray data = bytes.mid(at + 3, length);
        bool checks = quint8(bytes[at + 2]) == quint8(~number);
        if (crc) {
            const quint16 sent = quint16(quint8(bytes[at + 3 + length]) << 8 | quint8(bytes[at + 4 + length]));
            checks = checks && sent == tx::xmodemCrc(data);
        } else {
            quint8 sum = 0;
            for (const char byte : data)
                sum = quint8(sum + quint8(byte));
            checks = checks && sum == quint8(bytes[at + 3 + length]);
        }
        if (!checks) {
            frames.append(Frame{});
            return frames;
        }
        frames.append(Frame{Frame::Kind::Block, number, data});
        at += whole;
    }
    return frames;
}

} // namespace frames
