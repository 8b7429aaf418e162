#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace tx {

// How a file goes to the device: its bytes as they are, or one of the block
// protocols boot loaders take.
enum class TransferProtocol { Raw, Xmodem, Xmodem1k, Ymodem };

inline constexpr TransferProtocol kTransferProtocols[] = {TransferProtocol::Raw, TransferProtocol::Xmodem,
                                                          TransferProtocol::Xmodem1k, TransferProtocol::Ymodem};

// The protocol's name on a command line ("raw", "xmodem", "xmodem1k",
// "ymodem") and as the window shows it ("Без протокола", "XMODEM", ...).
QString protocolName(TransferProtocol protocol);
QString protocolCaption(TransferProtocol protocol);
std::optional<TransferProtocol> protocolFromName(QStringView name);

// One file of a transfer: its name as the receiver is told it (YMODEM,
// windows-1251, no folder), its size when the transfer starts and its
// modification time in seconds since 1970 (0: not told).
struct TransferFile {
    QByteArray name;
    qint64 size = 0;
    qint64 modified = 0;
};

// Where the sender takes the files' bytes from; the caller reads the disk.
class TransferSource {
public:
    virtual ~TransferSource() = default;
    // Up to length bytes of file `file` from offset; fewer only where the
    // file ends. False when the file cannot be read (errorString()).
    virtual bool read(int file, qint64 offset, qint64 length, QByteArray &bytes) = 0;
    virtual QString errorString() const = 0;
};

// Why a transfer failed.
enum class TransferFailure {
    None,
    Cancelled,         // the user stopped it
    ReceiverCancelled, // CAN CAN from the receiver
    TooManyRetries,    // a block refused again and again
    NoReceiver,        // nothing asked for the first block in time
    ReceiverSilent,    // the receiver stopped answering
    PortLost,
    FileChanged, // the file grew or shrank while it was sent
    FileUnreadable,
};

// The sending side of a file transfer, without any I/O: the receiver's bytes
// and the clock go in (receive(), tick()), the bytes for the port come out
// (takeOutput()). XMODEM and XMODEM-1K send one file, YMODEM a batch of
// them with a header block per file and the empty header that ends the
// batch; the receiver chooses checksum (NAK) or CRC ('C'). Raw hands the
// bytes out no faster than the line carries them.
//
// Every wait is bounded: the first request has kStartWaitMs, each block's
// answer kAnswerWaitMs (an EOT's kEotWaitMs), and a block is sent at most
// kMaxTries times; two CAN
// in a row from the receiver end the transfer. A block is never sent before
// the one ahead of it was acknowledged.
class FileSender {
public:
    static constexpr qint64 kStartWaitMs = 60000;
    static constexpr qint64 kAnswerWaitMs = 10000;
    static constexpr int kMaxTries = 10;
    // The empty header that ends a YMODEM batch comes after every file was
    // acknowledged; lrzsz's rb never acknowledges it, so silence this long
    // after it counts as taken (a receiver that missed it asks again).
    static constexpr qint64 kEndWaitMs = 1000;
    // EOT goes after every data block was acknowledged: the receiver has
    // the file. An EOT whose ACK is lost (a receiver that quits at once) is
    // sent again after this short wait, kEotTries times in all; then the
    // transfer counts as done, with endUnconfirmed() set.
    static constexpr qint64 kEotWaitMs = 2000;
    static constexpr int kEotTries = 3;
    // Raw sending keeps this far ahead of the line, and looks again this often.
    static constexpr qint64 kRawLeadMs = 50;
    static constexpr qint64 kRawBeatMs = 10;

    static constexpr char kSoh = 0x01;
    static constexpr char kStx = 0x02;
    static constexpr char kEot = 0x04;
    static constexpr char kAck = 0x06;
    static constexpr char kNak = 0x15;
    static constexpr char kCan = 0x18;
    static constexpr char kSub = 0x1A;
    static constexpr char kCrcRequest = 'C';
    // What a cancel sends: more CAN than the two a receiver needs, so that a
    // lost byte does not matter.
    static constexpr int kCancelCount = 8;

    // bytesPerSecond: what the line carries (raw pacing; 0: no pacing).
    FileSender(TransferProtocol protocol, QList<TransferFile> files, TransferSource &source, qint64 bytesPerSecond);

    void start(qint64 nowMs);
    // Bytes from the receiver; returns how many were taken: those after the
    // byte that ended the transfer are not the transfer's.
    qsizetype receive(QByteArrayView bytes, qint64 nowMs);
    // The clock went on (call it at nextTickAt(), or any time).
    void tick(qint64 nowMs);
    // The user's cancel: the receiver is told with CAN (not in raw, where
    // every byte is the file's).
    void cancel();
    // The transfer cannot go on for a reason outside it (the port was lost).
    void fail(TransferFailure failure, const QString &detail = {});

    // The bytes to write to the port now.
    QByteArray takeOutput() { return std::exchange(m_output, QByteArray()); }
    // When tick() must be called next; none once finished.
    std::optional<qint64> nextTickAt() const;

    bool finished() const { return m_phase == Phase::Done; }
    bool succeeded() const { return finished() && m_failure == TransferFailure::None; }
    TransferFailure failure() const { return m_failure; }
    // The reason of a failure as the user reads it.
    QString errorString() const;

    TransferProtocol protocol() const { return m_protocol; }
    // Bytes of the files the receiver has acknowledged (raw: handed out).
    qint64 bytesDone() const { return m_doneBefore + m_offset; }
    qint64 bytesTotal() const;
    int currentFile() const { return m_file; }
    // Succeeded, but an EOT was never acknowledged (see kEotTries).
    bool endUnconfirmed() const { return m_endUnconfirmed; }
    // Checksum or CRC, as the receiver chose.
    bool usesCrc() const { return m_crc; }

private:
    enum class Phase {
        Idle,
        WaitStart,     // for NAK/'C' before the first block (or a YMODEM header)
        WaitHeaderAck, // YMODEM block 0
        WaitDataStart, // YMODEM: NAK/'C' after the header's ACK
        WaitBlockAck,
        WaitEotAck,
        WaitEndAck, // YMODEM: the empty header ending the batch
        Raw,
        Done,
    };

    bool isYmodem() const { return m_protocol == TransferProtocol::Ymodem; }
    void onByte(char byte, qint64 nowMs);
    bool onStartRequest(char byte, qint64 nowMs);
    void onAck(qint64 nowMs);
    void resend(qint64 nowMs, bool timedOut);
    void sendHeaderOrEnd(qint64 nowMs);
    void sendDataBlock(qint64 nowMs);
    void sendEot(qint64 nowMs);
    void fileDone(qint64 nowMs);
    // Data is padded with SUB, a YMODEM header with NUL.
    void emitBlock(quint8 number, const QByteArray &data, qsizetype blockLength, char padding);
    void waitAnswer(Phase phase, qint64 nowMs);
    qint64 answerWaitMs() const;
    void rawStep(qint64 nowMs);
    bool readChecked(qint64 offset, qint64 length, QByteArray &bytes);
    bool fileGrew();
    void succeed();

    TransferProtocol m_protocol;
    QList<TransferFile> m_files;
    TransferSource &m_source;
    qint64 m_bytesPerSecond;

    Phase m_phase = Phase::Idle;
    TransferFailure m_failure = TransferFailure::None;
    QString m_detail;
    QByteArray m_output;
    qint64 m_deadline = 0;
    qint64 m_startedAt = 0;
    bool m_crc = false;
    bool m_canSeen = false;
    bool m_endUnconfirmed = false;
    // A byte answered with output: the rest of that read came before it and
    // answers nothing.
    bool m_answered = false;
    int m_tries = 0;

    int m_file = 0;
    qint64 m_doneBefore = 0;
    qint64 m_offset = 0;
    // The block on the wire: its number, length, bytes of the file and the
    // frame as sent (sent again as it was on NAK).
    quint8 m_block = 1;
    qint64 m_blockData = 0;
    QByteArray m_frame;
    bool m_firstBlockOfFile = true;
};

// CRC-16/XMODEM of the bytes (polynomial 0x1021, start 0).
quint16 xmodemCrc(QByteArrayView bytes);

} // namespace tx
