#include "tx/SentHistory.h"

#include "core/SafeFile.h"

#include <QFile>

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tx {

bool SentHistory::fail(const QString &error) {
    m_error = error;
    return false;
}

bool SentHistory::loadOrCreate(const QString &fileName) {
    SafeFile opened;
    if (!opened.openForReading(fileName)) {
        if (!opened.missing())
            return fail(opened.errorString()); // not a regular file, or unreadable: an empty history
        SafeFile created;
        return created.replaceWhole(fileName, imageBytes()) || fail(created.errorString());
    }
    const int fd = opened.takeDescriptor();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    m_records = {};
    for (Record &record : m_records) {
        if (file.read(record.data(), kRecordSize) < kRecordSize)
            break;
    }
    return file.error() == QFileDevice::NoError || fail(file.errorString());
}

bool SentHistory::saveIfPresent(const QString &fileName) {
    switch (SafeFile::kindOf(fileName)) {
    case SafeFile::Kind::Missing:
        return true;
    case SafeFile::Kind::Other:
        return fail(SafeFile::notRegularText(fileName));
    case SafeFile::Kind::Regular:
        break;
    }
    SafeFile file;
    return file.replaceWhole(fileName, imageBytes()) || fail(file.errorString());
}

QByteArray SentHistory::imageBytes() const {
    return QByteArray(reinterpret_cast<const char *>(m_records.data()), sizeof m_records);
}

QByteArray SentHistory::textOf(const Record &record) const {
    const auto length = static_cast<unsigned char>(record[0]);
    return QByteArray(record.data() + 1, length);
}

void SentHistory::add(QByteArrayView command) {
    if (command.isEmpty() || command.size() > kMaxCommandLength)
        return;
    int match = kEntries - 1;
    for (int k = kEntries - 1; k >= 0; --k) {
        if (textOf(m_records[k]) == command) {
            match = k;
            break;
        }
    }
    for (int k = match; k > 0; --k)
        m_records[k] = m_records[k - 1];
    Record &front = m_records[0];
    front[0] = static_cast<char>(command.size());
    std::memcpy(front.data() + 1, command.data(), command.size());
}

QList<QByteArray> SentHistory::texts() const {
    QList<QByteArray> out;
    for (const Record &record : m_records) {
        if (record[0] != 0)
            out.append(textOf(record));
    }
    return out;
}

} // namespace tx
