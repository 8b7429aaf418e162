#include "session/FileTransfer.h"

#include "core/Cp1251.h"
#include "core/platform/SafeFile.h"
#include "session/PortChannel.h"
#include "session/TerminalSession.h"

#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <utility>

namespace session {

namespace {

// The port is looked at this often while raw output drains, and given this
// long beyond what the line needs for it.
constexpr int kDrainBeatMs = 10;
constexpr qint64 kDrainSlackMs = 2000;
// Progress is reported at most this often (bytes), besides start and end.
constexpr qint64 kProgressStep = 1024;
// What the user is told while a transfer holds the port.
const QString kClaimText = QStringLiteral("Идёт передача файла");
// A success whose last EOT the receiver never acknowledged.
const QString kEndUnconfirmed = QStringLiteral("приёмник не подтвердил конец передачи");

QString secondsText(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 1).replace('.', ','); }

} // namespace

// The files as opened at prepare(), read where the sender asks.
class FileTransfer::Files : public tx::TransferSource {
public:
    std::vector<std::unique_ptr<QFile>> files;
    QString error;

    bool read(int file, qint64 offset, qint64 length, QByteArray &bytes) override {
        QFile &f = *files.at(size_t(file));
        if (!f.seek(offset)) {
            // Past the end of a file that shrank: nothing there.
            bytes.clear();
            return offset >= f.size() || fail(f);
        }
        bytes = f.read(length);
        return f.error() == QFileDevice::NoError || fail(f);
    }
    QString errorString() const override { return error; }

private:
    bool fail(QFile &f) {
        error = f.errorString();
        return false;
    }
};

FileTransfer::FileTransfer(TerminalSession &session, QObject *parent) : QObject(parent), m_session(session) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FileTransfer::step);
    m_drain.setInterval(kDrainBeatMs);
    connect(&m_drain, &QTimer::timeout, this, &FileTransfer::end);
    PortChannel &channel = m_session.channel();
    connect(&channel, &PortChannel::claimedInput, this, &FileTransfer::received);
    // The claim ends with the port, whatever closed it.
    connect(&channel, &PortChannel::claimChanged, this, [this](const QString &claimant) {
        if (claimant.isEmpty())
            lost();
    });
}

FileTransfer::~FileTransfer() {
    // A transfer still running when its owner goes gives the port back.
    if (running()) {
        m_sender->cancel();
        m_session.channel().write(m_sender->takeOutput());
        m_session.channel().release();
    }
}

bool FileTransfer::prepare(const QStringList &paths, tx::TransferProtocol protocol) {
    m_sender.reset();
    m_done = false;
    m_protocol = protocol;
    m_files = std::make_unique<Files>();
    m_names.clear();
    const qsizetype count =
        protocol == tx::TransferProtocol::Ymodem ? paths.size() : std::min<qsizetype>(1, paths.size());
    if (count == 0) {
        m_error = QStringLiteral("Файл не выбран");
        return false;
    }
    for (qsizetype i = 0; i < count; ++i) {
        const QString &path = paths[i];
        const QFileInfo info(path);
        // The reasons a user can act on, before the system's words.
        if (!info.exists()) {
            m_error = QStringLiteral("Файл не найден: %1").arg(path);
            return false;
        }
        if (info.isDir()) {
            m_error = QStringLiteral("Это папка, а не файл: %1").arg(path);
            return false;
        }
        if (!info.isFile()) {
            m_error = QStringLiteral("Это не обычный файл (канал или устройство): %1").arg(path);
            return false;
        }
        // Opened without waiting: a name swapped for a FIFO meanwhile is
        // refused, not waited on.
        core::SafeFile opener;
        auto file = std::make_unique<QFile>();
        if (!opener.openChosenForReading(path) || !opener.handTo(*file)) {
            m_error = QStringLiteral("Файл не читается: %1 (%2)").arg(path, opener.errorString());
            return false;
        }
        m_files->files.push_back(std::move(file));
        m_names.append(info.fileName());
    }
    return true;
}

QString FileTransfer::fileName() const { return m_names.join(QStringLiteral(", ")); }

qint64 FileTransfer::bytesDone() const { return m_sender ? m_sender->bytesDone() : 0; }

qint64 FileTransfer::bytesTotal() const {
    if (m_sender)
        return m_sender->bytesTotal();
    qint64 total = 0;
    if (m_files)
        for (const auto &file : m_files->files)
            total += file->size();
    return total;
}

bool FileTransfer::start(const QByteArray &heard) {
    if (!m_files || m_files->files.empty() || running()) {
        m_error = QStringLiteral("Файл не выбран");
        return false;
    }
    PortChannel &channel = m_session.channel();
    if (!channel.isOpen()) {
        m_error = QStringLiteral("Порт не открыт");
        return false;
    }
    if (channel.isClaimed()) {
        m_error = QStringLiteral("Порт занят (%1)").arg(channel.claimant());
        return false;
    }
    QList<tx::TransferFile> files;
    for (size_t i = 0; i < m_files->files.size(); ++i) {
        const QFileInfo info(*m_files->files[i]);
        files.append({core::cp1251::fromUnicode(m_names[qsizetype(i)]), m_files->files[i]->size(),
                      info.lastModified().toSecsSinceEpoch()});
    }
    m_done = false;
    m_lastProgress = -1;
    m_unread.clear();
    m_sender.emplace(m_protocol, files, *m_files, lineBytesPerSecond());
    m_session.logNote(QStringLiteral("Отправка файла %1 (%2 байт), %3")
                          .arg(fileName())
                          .arg(m_sender->bytesTotal())
                          .arg(tx::protocolCaption(m_protocol)));
    // The claim logs what the session had read; a receiver's request at its
    // end is not waited for again. What waits in the port comes as claimed
    // input from the event loop.
    QByteArray logged;
    const QMetaObject::Connection catchLast = connect(&m_session, &TerminalSession::packetReceived, this,
                                                      [&logged](const QByteArray &text) { logged = text; });
    m_claimed = channel.claim(kClaimText);
    disconnect(catchLast);
    m_clock.start();
    m_sender->start(0);
    for (const QByteArray &said : {heard, logged})
        if (said.endsWith(tx::FileSender::kCrcRequest) || said.endsWith(tx::FileSender::kNak))
            m_sender->receive(said.right(1), 0);
    pump();
    return true;
}

void FileTransfer::received(const QByteArray &bytes) {
    if (!m_sender || m_done)
        return;
    const qsizetype taken = m_sender->finished() ? 0 : m_sender->receive(bytes, m_clock.elapsed());
    m_unread += bytes.mid(taken);
    pump();
}

// Bytes a second by the settings of the open: a start bit, the data bits
// and room for a parity bit or a second stop bit.
qint64 FileTransfer::lineBytesPerSecond() const {
    const core::LineSettings &line = m_session.channel().lineSettings();
    return line.baudRate / (line.dataBits + 3);
}

void FileTransfer::step() {
    if (!running())
        return;
    m_sender->tick(m_clock.elapsed());
    pump();
}

// Whatever the sender has to say goes out, and the next step is timed.
void FileTransfer::pump() {
    const QByteArray out = m_sender->takeOutput();
    if (!out.isEmpty() && m_claimed && m_session.channel().write(out) < out.size() && !m_sender->finished())
        m_sender->fail(tx::TransferFailure::PortLost);
    if (m_sender->bytesDone() / kProgressStep != m_lastProgress / kProgressStep || m_sender->finished()) {
        m_lastProgress = m_sender->bytesDone();
        emit progress(m_sender->bytesDone(), m_sender->bytesTotal());
    }
    if (m_sender->finished()) {
        m_timer.stop();
        // Raw output leaves at the line's pace: the end is when it is out.
        if (m_sender->succeeded() && m_protocol == tx::TransferProtocol::Raw && m_claimed &&
            m_session.channel().outputPendingMs() > 0)
            return m_drain.start();
        return end();
    }
    if (const std::optional<qint64> at = m_sender->nextTickAt())
        m_timer.start(int(std::clamp<qint64>(*at - m_clock.elapsed(), 0, INT_MAX)));
}

void FileTransfer::cancel() {
    if (!running())
        return;
    m_sender->cancel();
    pump();
}

void FileTransfer::lost() {
    if (!m_claimed || !running())
        return;
    m_claimed = false;
    m_sender->fail(tx::TransferFailure::PortLost);
    pump();
}

void FileTransfer::end() {
    if (m_done || !m_sender)
        return;
    if (m_drain.isActive() && m_claimed && m_session.channel().outputPendingMs() > 0 &&
        m_clock.elapsed() < m_sender->bytesTotal() * 1000 / std::max<qint64>(1, lineBytesPerSecond()) + kDrainSlackMs)
        return;
    m_drain.stop();
    m_done = true;
    const bool ok = m_sender->succeeded();
    const QString reason = ok && m_sender->endUnconfirmed() ? kEndUnconfirmed : m_sender->errorString();
    m_session.logNote(summary(ok, reason));
    if (std::exchange(m_claimed, false))
        m_session.channel().release(std::exchange(m_unread, QByteArray()));
    emit finished(ok, reason);
}

QString FileTransfer::summary(bool ok, const QString &reason) const {
    const QString time = secondsText(elapsedMs());
    if (ok)
        return QStringLiteral("Файл %1 отправлен (%2): %3 байт за %4 с%5")
            .arg(fileName(), tx::protocolCaption(m_protocol))
            .arg(bytesDone())
            .arg(time, reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reason));
    return QStringLiteral("Файл %1 не отправлен (%2): %3; передано %4 из %5 байт за %6 с")
        .arg(fileName(), tx::protocolCaption(m_protocol), reason)
        .arg(bytesDone())
        .arg(bytesTotal())
        .arg(time);
}

} // namespace session
