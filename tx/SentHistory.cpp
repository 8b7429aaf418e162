#include "tx/SentHistory.h"

#include "core/SafeFile.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

#include <algorithm>
#include <cstring>

QString SentHistory::loadOrCreate(const QString &fileName) {
    QString error;
    const int fd = safefile::openForReading(fileName, &error);
    if (fd < 0) {
        if (errno != ENOENT)
            return error; // not a regular file, or unreadable: an empty history
        if (!safefile::replaceWhole(fileName, imageBytes(), &error))
            return error;
        return QString();
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    records_ = {};
    for (Record &record : records_) {
        if (file.read(record.data(), kRecordSize) < kRecordSize)
            break;
    }
    return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

QString SentHistory::saveIfPresent(const QString &fileName) const {
    switch (safefile::kindOf(fileName)) {
    case safefile::Kind::Missing:
        return QString();
    case safefile::Kind::Other:
        return safefile::notRegularText(fileName);
    case safefile::Kind::Regular:
        break;
    }
    QString error;
    return safefile::replaceWhole(fileName, imageBytes(), &error) ? QString() : error;
}

QByteArray SentHistory::imageBytes() const {
    return QByteArray(reinterpret_cast<const char *>(records_.data()), sizeof records_);
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
        if (textOf(records_[k]) == command) {
            match = k;
            break;
        }
    }
    for (int k = match; k > 0; --k)
        records_[k] = records_[k - 1];
    Record &front = records_[0];
    front[0] = static_cast<char>(command.size());
    std::memcpy(front.data() + 1, command.data(), command.size());
}

QList<QByteArray> SentHistory::texts() const {
    QList<QByteArray> out;
    for (const Record &record : records_) {
        if (record[0] != 0)
            out.append(textOf(record));
    }
    return out;
}
