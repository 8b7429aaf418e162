#include "rx/LogFile.h"

#include "core/platform/FileDescriptor.h"
#include "core/platform/SafeFile.h"

#include <QScopeGuard>

#include <cerrno>

namespace rx {

QString logFileNameFor(const QDateTime &localNow) {
    const QDate date = localNow.date();
    const QTime time = localNow.time();
    return QStringLiteral("LOG_%1 %2 %3 %4 %5 %6.txt")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(time.hour())
        .arg(time.minute())
        .arg(time.second());
}

LogFile::~LogFile() { close(); }

QString LogFile::numberedName(const QString &name, int number) {
    if (number <= 1)
        return name;
    // "LOG_... (2).txt": the suffix goes before the extension, in characters
    // any file system takes.
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        dot = name.size();
    return name.left(dot) + QStringLiteral(" (%1)").arg(number) + name.mid(dot);
}

bool LogFile::create(const QString &name) {
    close();
    m_failing = false;
    m_gone = false;
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString candidate = numberedName(name, number);
        core::SafeFile file;
        if (file.createNew(candidate)) {
            m_fd = file.takeDescriptor();
            m_name = candidate;
            m_fileEnd = 0;
            m_buffer.reserve(kBufferSize);
            return true;
        }
        m_error = file.errorString();
        if (!file.exists())
            return false;
    }
    return false;
}

bool LogFile::isOpen() const { return m_fd >= 0; }

QString LogFile::fileName() const { return m_name; }

QString LogFile::errorString() const { return m_error; }

bool LogFile::hasUnflushedData() const { return !m_buffer.isEmpty(); }

bool LogFile::writeLine(QByteArrayView line) {
    if (!isOpen())
        return true;
    m_buffer.append(line);
    m_buffer.append("\r\n", 2);
    m_lineEnds.append(m_buffer.size());
    if (m_buffer.size() < kBufferSize)
        return true;
    return writeOut();
}

bool LogFile::flush() {
    if (!isOpen())
        return true;
    return writeOut();
}

bool LogFile::close() {
    if (!isOpen())
        return true;
    const bool flushed = flush();
    core::closeDescriptor(m_fd);
    m_fd = -1;
    m_buffer = QByteArray();
    m_lineEnds = {};
    return flushed;
}

bool LogFile::writeOut() {
    const auto clear = qScopeGuard([this] {
        m_buffer.resize(0); // keeps the capacity
        m_lineEnds.resize(0);
    });
    // Lines written to a file that was deleted meanwhile would be lost
    // without a word; a full disk must not hide it, as no write to a deleted
    // file ever ends that episode.
    if (!m_gone && core::isUnlinked(m_fd)) {
        m_gone = true;
        m_error = core::errnoText(ENOENT);
        return false;
    }
    if (m_gone || m_buffer.isEmpty())
        return true;

    int cause = 0;
    const qint64 written = core::writeAll(m_fd, m_buffer.constData(), m_buffer.size(), cause);
    if (cause == 0) {
        m_fileEnd += written;
        m_failing = false;
        return true;
    }
    // The file keeps the lines that went out whole; the torn one is cut off
    // so that the next write cannot join its head to another line.
    qint64 whole = 0;
    for (const qsizetype end : std::as_const(m_lineEnds)) {
        if (end > written)
            break;
        whole = end;
    }
    m_fileEnd += whole;
    if (written > whole) {
        if (const int cut = core::truncateAt(m_fd, m_fileEnd))
            cause = cut;
    }
    return fail(core::errnoText(cause));
}

bool LogFile::fail(const QString &error) {
    m_error = error;
    if (m_failing)
        return true;
    m_failing = true;
    return false;
}

} // namespace rx
