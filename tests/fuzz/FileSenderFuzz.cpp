// A file sender against whatever a receiver (or the noise on a line) says:
// every block on the wire checks, is the one acknowledged before it again or
// the next one, carries the file's bytes from the right place, and the
// transfer always ends once the receiver falls silent.
#include "FuzzKit.h"

#include "tests/support/TransferFrames.h"
#include "tx/FileSender.h"

namespace {

class MemorySource : public tx::TransferSource {
public:
    QList<QByteArray> files;
    bool read(int file, qint64 offset, qint64 length, QByteArray &bytes) override {
        bytes = files.value(file).mid(offset, length);
        return true;
    }
    QString errorString() const override { return {}; }
};

// What a receiver has been sent so far, as it must follow.
struct Watch {
    const QList<QByteArray> &files;
    bool ymodem;
    int file = 0;
    int last = -1;
    qint64 offset = 0;
    qint64 lastLength = 0;
    QByteArray lastData;
    bool ended = false;

    void block(const frames::Frame &frame) {
        FUZZ_CHECK(!ended);
        if (frame.number == last) {
            FUZZ_CHECK(frame.data == lastData);
            return;
        }
        if (frame.number == 0 && ymodem) {
            // A header: the first, or the next file's after the last one's end.
            FUZZ_CHECK(last == -1 || last == -2);
            if (last == -2)
                ++file;
            offset = 0;
            lastLength = 0;
            if (file >= files.size())
                FUZZ_CHECK(frame.data == QByteArray(frame.data.size(), '\0'));
            else
                FUZZ_CHECK(frame.data.startsWith(QByteArray::number(file) + '\0' +
                                                 QByteArray::number(files[file].size()) + '\0'));
        } else {
            FUZZ_CHECK(file < files.size());
            FUZZ_CHECK(frame.number == ((last < 0 ? 0 : last) + 1) % 256);
            FUZZ_CHECK(last >= 0 || (!ymodem && last == -1));
            offset += lastLength;
            const QByteArray expected = files[file].mid(offset, frame.data.size());
            FUZZ_CHECK(!expected.isEmpty());
            FUZZ_CHECK(frame.data.left(expected.size()) == expected);
            FUZZ_CHECK(frame.data.mid(expected.size()) ==
                       QByteArray(frame.data.size() - expected.size(), tx::FileSender::kSub));
            lastLength = expected.size();
        }
        last = frame.number;
        lastData = frame.data;
    }
    void eot() {
        // The end only after the whole file (or a repeated end).
        if (last == -2)
            return;
        FUZZ_CHECK(file < files.size());
        FUZZ_CHECK(offset + lastLength == files[file].size());
        last = -2;
        if (!ymodem)
            ended = true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    const quint8 setup = data[0];
    const quint8 sizes = data[1];
    const tx::TransferProtocol protocol = tx::kTransferProtocols[1 + setup % 3];
    const bool ymodem = protocol == tx::TransferProtocol::Ymodem;

    MemorySource source;
    QList<tx::TransferFile> files;
    for (int i = 0; i < (ymodem ? 2 : 1); ++i) {
        QByteArray bytes((i ? sizes >> 4 : sizes & 15) * 131, '\0');
        for (qsizetype at = 0; at < bytes.size(); ++at)
            bytes[at] = char(at * 31 + i);
        files.append({QByteArray::number(i), bytes.size(), 0});
        source.files.append(bytes);
    }
    tx::FileSender sender(protocol, files, source, 0);
    Watch watch{source.files, ymodem};
    qint64 now = 0;
    sender.start(now);

    const auto check = [&] {
        const QByteArray out = sender.takeOutput();
        for (const frames::Frame &frame : frames::read(out, sender.usesCrc())) {
            FUZZ_CHECK(frame.kind != frames::Frame::Kind::Broken);
            if (frame.kind == frames::Frame::Kind::Block)
                watch.block(frame);
            else if (frame.kind == frames::Frame::Kind::Eot)
                watch.eot();
        }
    };

    // Each input byte below 8 is a step of the clock; runs of the others are
    // what the receiver says at once.
    const QByteArrayView input = fuzz::bytes(data + 2, size - 2);
    QByteArray said;
    for (const char byte : input) {
        if (quint8(byte) < 8) {
            sender.receive(said, now);
            said.clear();
            check();
            now += qint64(quint8(byte)) * 1500;
            sender.tick(now);
            check();
        } else {
            said.append(byte);
        }
    }
    sender.receive(said, now);
    check();
    // A receiver that says nothing more never holds the sender for ever.
    for (int beat = 0; beat < 4 * tx::FileSender::kMaxTries && !sender.finished(); ++beat) {
        FUZZ_CHECK(sender.nextTickAt().has_value());
        now = std::max(now, *sender.nextTickAt());
        sender.tick(now);
        check();
    }
    FUZZ_CHECK(sender.finished());
    FUZZ_CHECK(sender.bytesDone() <= sender.bytesTotal());
    if (sender.succeeded())
        FUZZ_CHECK(sender.bytesDone() == sender.bytesTotal());
    return 0;
}
