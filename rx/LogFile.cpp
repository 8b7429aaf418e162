#include "rx/LogFile.h"

QString LogFileNameFor(const QDateTime &localNow) {
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

LogFile::~LogFile() {
    close();
}

bool LogFile::create(const QString &name) {
    close();
    m_failing = false;
    m_file.setFileName(name);
    // Unbuffered: m_buffer is the only buffer, so flush() reaches the file.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_buffer.reserve(kBufferSize);
    return true;
}

bool LogFile::isOpen() const {
    return m_file.isOpen();
}

QString LogFile::fileName() const {
    return m_file.fileName();
}

QString LogFile::errorString() const {
    return m_error;
}

bool LogFile::hasUnflushedData() const {
    return !m_buffer.isEmpty();
}

QString LogFile::writeLine(QByteArrayView line) {
    if (!isOpen())
        return {};
    m_buffer.append(line);
    m_buffer.append("\r\n", 2);
    if (m_buffer.size() < kBufferSize)
        return {};
    return writeOut();
}

QString LogFile::flush() {
    if (!isOpen() || m_buffer.isEmpty())
        return {};
    return writeOut();
}

QString LogFile::close() {
    if (!isOpen())
        return {};
    QString error = flush();
    m_file.close();
    m_buffer = QByteArray();
    return error;
}

QString LogFile::writeOut() {
    const char *data = m_buffer.constData();
    qint64 left = m_buffer.size();
    // A short write means the next one fails with the reason.
    while (left > 0) {
        const qint64 written = m_file.write(data, left);
        if (written <= 0)
            break;
        data += written;
        left -= written;
    }
    m_buffer.resize(0); // keeps the capacity
    if (left == 0) {
        m_failing = false;
        return {};
    }
    m_error = m_file.errorString();
    if (m_failing)
        return {};
    m_failing = true;
    return m_error;
}
