#include "tx/FileSender.h"

#include <algorithm>
#include <utility>

namespace tx {

namespace {

constexpr qsizetype kShortBlock = 128;
constexpr qsizetype kLongBlock = 1024;
// XMODEM-1K and YMODEM send the end of a file in short blocks when a long one
// would be mostly padding.
constexpr qint64 kLongBlockFrom = kLongBlock - kShortBlock + 1;

} // namespace

QString protocolName(TransferProtocol protocol) {
    switch (protocol) {
    case TransferProtocol::Raw:
        return QStringLiteral("raw");
    case TransferProtocol::Xmodem:
        return QStringLiteral("xmodem");
    case TransferProtocol::Xmodem1k:
        return QStringLiteral("xmodem1k");
    case TransferProtocol::Ymodem:
        return QStringLiteral("ymodem");
    }
    return {};
}

QString protocolCaption(TransferProtocol protocol) {
    switch (protocol) {
    case TransferProtocol::Raw:
        return QStringLiteral("Без протокола");
    case TransferProtocol::Xmodem:
        return QStringLiteral("XMODEM");
    case TransferProtocol::Xmodem1k:
        return QStringLiteral("XMODEM-1K");
    case TransferProtocol::Ymodem:
        return QStringLiteral("YMODEM");
    }
    return {};
}

std::optional<TransferProtocol> protocolFromName(QStringView name) {
    for (const TransferProtocol protocol : kTransferProtocols)
        if (name.compare(protocolName(protocol), Qt::CaseInsensitive) == 0)
            return protocol;
    return std::nullopt;
}

// Qt's checksums are the reflected CRC-16 variants; XMODEM's is not.
quint16 xmodemCrc(QByteArrayView bytes) {
    quint16 crc = 0;
    for (const char byte : bytes) {
        crc ^= quint16(quint8(byte)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

FileSender::FileSender(TransferProtocol protocol, QList<TransferFile> files, TransferSource &source,
                       qint64 bytesPerSecond)
    : m_protocol(protocol), m_files(std::move(files)), m_source(source), m_bytesPerSecond(bytesPerSecond) {
    // XMODEM carries one file.
    if (!isYmodem() && m_files.size() > 1)
        m_files.resize(1);
}

qint64 FileSender::bytesTotal() const {
    qint64 total = 0;
    for (const TransferFile &file : m_files)
        total += file.size;
    return total;
}

QString FileSender::errorString() const {
    switch (m_failure) {
    case TransferFailure::None:
        return {};
    case TransferFailure::Cancelled:
        return QStringLiteral("Передача отменена");
    case TransferFailure::ReceiverCancelled:
        return QStringLiteral("Приёмник отменил передачу");
    case TransferFailure::TooManyRetries:
        return QStringLiteral("Приёмник не принял блок после %1 попыток").arg(kMaxTries);
    case TransferFailure::NoReceiver:
        return QStringLiteral("Приёмник не ответил за %1 с").arg(kStartWaitMs / 1000);
    case TransferFailure::ReceiverSilent:
        return QStringLiteral("Приёмник перестал отвечать");
    case TransferFailure::PortLost:
        return QStringLiteral("Порт потерян");
    case TransferFailure::FileChanged:
        return QStringLiteral("Файл изменил размер во время передачи");
    case TransferFailure::FileUnreadable:
        return QStringLiteral("Файл не читается: %1").arg(m_detail);
    }
    return {};
}

void FileSender::start(qint64 nowMs) {
    if (m_phase != Phase::Idle)
        return;
    m_startedAt = nowMs;
    if (m_files.isEmpty())
        return succeed();
    if (m_protocol == TransferProtocol::Raw) {
        m_phase = Phase::Raw;
        return rawStep(nowMs);
    }
    m_phase = Phase::WaitStart;
    m_deadline = nowMs + kStartWaitMs;
}

std::optional<qint64> FileSender::nextTickAt() const {
    if (m_phase == Phase::Done || m_phase == Phase::Idle)
        return std::nullopt;
    return m_deadline;
}

qsizetype FileSender::receive(QByteArrayView bytes, qint64 nowMs) {
    m_answered = false;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        if (m_phase == Phase::Done)
            return at;
        const char byte = bytes[at];
        // Only a cancel is still heard in what came before the answer.
        if (m_answered && byte != kCan) {
            m_canSeen = false;
            continue;
        }
        onByte(byte, nowMs);
    }
    return bytes.size();
}

void FileSender::onByte(char byte, qint64 nowMs) {
    if (byte == kCan) {
        if (std::exchange(m_canSeen, true) && m_phase != Phase::Raw)
            fail(TransferFailure::ReceiverCancelled);
        return;
    }
    m_canSeen = false;
    switch (m_phase) {
    case Phase::WaitStart:
    case Phase::WaitDataStart:
        onStartRequest(byte, nowMs);
        return;
    case Phase::WaitHeaderAck:
        if (byte == kAck) {
            // The receiver asks for the data next (or, for an empty file,
            // for its end).
            m_phase = Phase::WaitDataStart;
            m_deadline = nowMs + kAnswerWaitMs;
            m_tries = 0;
        } else if (byte == kNak || byte == kCrcRequest) {
            resend(nowMs, false);
        }
        return;
    case Phase::WaitBlockAck:
    case Phase::WaitEotAck:
    case Phase::WaitEndAck:
        if (byte == kAck)
            onAck(nowMs);
        // A receiver that missed the first block asks for it again with 'C'.
        else if (byte == kNak || (byte == kCrcRequest && ((m_firstBlockOfFile && m_phase == Phase::WaitBlockAck) ||
                                                          m_phase == Phase::WaitEndAck)))
            resend(nowMs, false);
        return;
    case Phase::Idle:
    case Phase::Raw:
    case Phase::Done:
        return;
    }
}

bool FileSender::onStartRequest(char byte, qint64 nowMs) {
    if (byte != kNak && byte != kCrcRequest)
        return false;
    m_crc = byte == kCrcRequest;
    m_tries = 0;
    if (m_phase == Phase::WaitStart && isYmodem())
        sendHeaderOrEnd(nowMs);
    else if (m_offset < m_files[m_file].size)
        sendDataBlock(nowMs);
    else
        sendEot(nowMs);
    return true;
}

void FileSender::onAck(qint64 nowMs) {
    m_tries = 0;
    switch (m_phase) {
    case Phase::WaitBlockAck:
        m_offset += m_blockData;
        ++m_block;
        m_firstBlockOfFile = false;
        if (m_offset < m_files[m_file].size)
            return sendDataBlock(nowMs);
        if (fileGrew())
            return fail(TransferFailure::FileChanged);
        return sendEot(nowMs);
    case Phase::WaitEotAck:
        return fileDone(nowMs);
    case Phase::WaitEndAck:
        return succeed();
    default:
        return;
    }
}

void FileSender::fileDone(qint64 nowMs) {
    m_doneBefore += m_offset;
    m_offset = 0;
    if (!isYmodem())
        return succeed();
    // The receiver asks for the next header with NAK or 'C'.
    ++m_file;
    m_phase = Phase::WaitStart;
    m_deadline = nowMs + kAnswerWaitMs;
}

void FileSender::resend(qint64 nowMs, bool timedOut) {
    if (++m_tries >= kMaxTries)
        return fail(timedOut ? TransferFailure::ReceiverSilent : TransferFailure::TooManyRetries);
    m_output += m_frame;
    m_answered = true;
    m_deadline = nowMs + answerWaitMs();
}

void FileSender::waitAnswer(Phase phase, qint64 nowMs) {
    m_phase = phase;
    m_output += m_frame;
    m_answered = true;
    m_deadline = nowMs + answerWaitMs();
}

qint64 FileSender::answerWaitMs() const {
    return m_phase == Phase::WaitEndAck ? kEndWaitMs : m_phase == Phase::WaitEotAck ? kEotWaitMs : kAnswerWaitMs;
}

void FileSender::sendHeaderOrEnd(qint64 nowMs) {
    QByteArray header;
    if (m_file < m_files.size()) {
        const TransferFile &file = m_files[m_file];
        header = file.name;
        header.append('\0');
        header += QByteArray::number(file.size);
        if (file.modified > 0)
            header += ' ' + QByteArray::number(file.modified, 8);
        header.append('\0');
    }
    m_block = 0;
    emitBlock(0, header, header.size() > kShortBlock ? kLongBlock : kShortBlock, '\0');
    m_block = 1;
    m_firstBlockOfFile = true;
    waitAnswer(m_file < m_files.size() ? Phase::WaitHeaderAck : Phase::WaitEndAck, nowMs);
}

void FileSender::sendDataBlock(qint64 nowMs) {
    const qint64 left = m_files[m_file].size - m_offset;
    const bool longBlocks = m_protocol != TransferProtocol::Xmodem && m_crc;
    const qsizetype length = longBlocks && left >= kLongBlockFrom ? kLongBlock : kShortBlock;
    QByteArray data;
    if (!readChecked(m_offset, std::min<qint64>(length, left), data))
        return;
    m_blockData = data.size();
    emitBlock(m_block, data, length, kSub);
    waitAnswer(Phase::WaitBlockAck, nowMs);
}

void FileSender::sendEot(qint64 nowMs) {
    m_frame = QByteArray(1, kEot);
    waitAnswer(Phase::WaitEotAck, nowMs);
}

void FileSender::emitBlock(quint8 number, const QByteArray &data, qsizetype blockLength, char padding) {
    QByteArray payload = data;
    payload.append(blockLength - data.size(), padding);
    m_frame.clear();
    m_frame.reserve(blockLength + 5);
    m_frame.append(blockLength == kLongBlock ? kStx : kSoh);
    m_frame.append(char(number));
    m_frame.append(char(quint8(~number)));
    m_frame += payload;
    if (m_crc) {
        const quint16 crc = xmodemCrc(payload);
        m_frame.append(char(crc >> 8));
        m_frame.append(char(crc & 0xFF));
    } else {
        quint8 sum = 0;
        for (const char byte : payload)
            sum = quint8(sum + quint8(byte));
        m_frame.append(char(sum));
    }
}

bool FileSender::readChecked(qint64 offset, qint64 length, QByteArray &bytes) {
    if (!m_source.read(m_file, offset, length, bytes)) {
        fail(TransferFailure::FileUnreadable, m_source.errorString());
        return false;
    }
    // Fewer bytes than the size promised: the file shrank.
    if (bytes.size() < length) {
        fail(TransferFailure::FileChanged);
        return false;
    }
    bytes.truncate(length);
    return true;
}

bool FileSender::fileGrew() {
    QByteArray more;
    return m_source.read(m_file, m_files[m_file].size, 1, more) && !more.isEmpty();
}

void FileSender::tick(qint64 nowMs) {
    if (m_phase == Phase::Raw)
        return rawStep(nowMs);
    if (m_phase == Phase::Done || m_phase == Phase::Idle || nowMs < m_deadline)
        return;
    switch (m_phase) {
    case Phase::WaitStart:
        // Between the files of a batch the receiver has had its start.
        return fail(m_doneBefore == 0 && m_file == 0 ? TransferFailure::NoReceiver : TransferFailure::ReceiverSilent);
    case Phase::WaitDataStart:
        return fail(TransferFailure::ReceiverSilent);
    case Phase::WaitEndAck:
        return succeed();
    case Phase::WaitEotAck:
        // Every block was acknowledged: a lost last ACK is not waited on.
        if (m_tries + 1 >= kEotTries) {
            m_endUnconfirmed = true;
            m_tries = 0;
            return fileDone(nowMs);
        }
        return resend(nowMs, true);
    default:
        return resend(nowMs, true);
    }
}

void FileSender::rawStep(qint64 nowMs) {
    const qint64 size = m_files[m_file].size;
    qint64 allowed = size;
    if (m_bytesPerSecond > 0) {
        const qint64 carried = (nowMs - m_startedAt + kRawLeadMs) * m_bytesPerSecond / 1000;
        allowed = std::min(size, std::max<qint64>(carried, 1));
    }
    if (allowed > m_offset) {
        QByteArray bytes;
        if (!readChecked(m_offset, allowed - m_offset, bytes))
            return;
        m_output += bytes;
        m_offset = allowed;
    }
    if (m_offset < size) {
        m_deadline = nowMs + kRawBeatMs;
        return;
    }
    if (fileGrew())
        return fail(TransferFailure::FileChanged);
    succeed();
}

void FileSender::cancel() {
    if (m_phase == Phase::Done)
        return;
    if (m_phase != Phase::Raw && m_phase != Phase::Idle)
        m_output += QByteArray(kCancelCount, kCan);
    fail(TransferFailure::Cancelled);
}

void FileSender::fail(TransferFailure failure, const QString &detail) {
    if (m_phase == Phase::Done)
        return;
    m_failure = failure;
    m_detail = detail;
    m_phase = Phase::Done;
    // A receiver still in the middle hears that it is over.
    if (failure == TransferFailure::FileChanged || failure == TransferFailure::FileUnreadable)
        if (m_protocol != TransferProtocol::Raw)
            m_output += QByteArray(kCancelCount, kCan);
}

void FileSender::succeed() {
    m_phase = Phase::Done;
    m_failure = TransferFailure::None;
}

} // namespace tx
