#include "tx/SentHistory.h"

#include <QFile>

#include <algorithm>
#include <cstring>

QString SentHistory::loadOrCreate(const QString &fileName) {
    QFile file(fileName);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return file.errorString();
        records_ = {};
        for (Record &record : records_) {
            if (file.read(record.data(), kRecordSize) < kRecordSize)
                break;
        }
        return file.error() == QFileDevice::NoError ? QString() : file.errorString();
    }
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(records_.data()), sizeof records_) != qint64(sizeof records_))
        return file.errorString();
    return QString();
}

QString SentHistory::saveIfPresent(const QString &fileName) const {
    QFile file(fileName);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(records_.data()), sizeof records_) != qint64(sizeof records_) ||
        !file.flush())
        return file.errorString();
    return QString();
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
